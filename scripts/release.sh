#!/usr/bin/env bash
# The release archives, one per platform, and their checksums:
#   scripts/release.sh [--no-check] OUTDIR
# 1. builds the programs of every platform whose preset exists when dist/
#    lacks one of them (a platform without its preset is skipped, said);
# 2. checks that a clean build of the same sources at another path gives the
#    same bytes as dist/ (the macOS programs left out: their debug map names
#    the build folder), which also catches programs older than the sources
#    (scripts/reproduce.sh; --no-check leaves that out and packs dist/ as it
#    is, for archives that are not published);
# 3. signs every Windows program with Authenticode when QUARLAN_SIGN_CERT and
#    QUARLAN_SIGN_KEY name PEM files (SHA-256; a timestamp from the server
#    QUARLAN_SIGN_TIMESTAMP names, when set), else says that nothing is signed;
# 4. writes OUTDIR/quarlan-<version>-<platform>.zip or .tar.gz, each with that
#    platform's programs, TestJvm.class, a README.md for the people who
#    download it (docs/release-readme.md below a line naming the archive),
#    the guides in docs/ and the demo kit's sources in examples/demo, below a
#    folder of the archive's name, and OUTDIR/SHA256SUMS over them.
# The programs in dist/ are left as they are: signing works on copies.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=1
if [ "${1:-}" = "--no-check" ]; then
    check=0
    shift
fi
[ $# -eq 1 ] || { echo "usage: $0 [--no-check] OUTDIR" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)

version=$(sed -n 's/^project(quarlan VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
# Archive entries carry the time of the last commit, so that the archives of
# one commit are the same bytes wherever they are made.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
fi

if [ -n "${QUARLAN_SIGN_CERT:-}${QUARLAN_SIGN_KEY:-}" ]; then
    [ -f "${QUARLAN_SIGN_CERT:-}" ] && [ -f "${QUARLAN_SIGN_KEY:-}" ] ||
        { echo "QUARLAN_SIGN_CERT and QUARLAN_SIGN_KEY must both name PEM files" >&2; exit 1; }
    command -v osslsigncode >/dev/null || { echo "signing needs osslsigncode (scripts/setup.sh)" >&2; exit 1; }
fi

# platform  preset  dist folder  build targets (- for the preset's own)  programs
platforms=(
    "windows-x86|win32|win32|installer update cleanup kitcheck|installer.exe update.exe cleanup.exe kitcheck.exe"
    "windows-x64|win64|win64|installer update cleanup kitcheck Quarlan QuarlanConsole QuarlanUninstaller|installer.exe update.exe cleanup.exe kitcheck.exe Quarlan.exe QuarlanConsole.exe QuarlanUninstaller.exe"
    "linux-x86_64|linux|linux|unixloader quarlan kitcheck kitpack kit|unixloader quarlan kitcheck kitpack"
    "linux-arm64|linux-arm64|linux-arm64|unixloader quarlan kitcheck kitpack|unixloader quarlan kitcheck kitpack"
    "macos-universal|macos-cross|macos|-|macsetup maclauncher quarlan kitpack"
)

have_preset() { grep -q "\"name\": *\"$1\"" "$root/CMakePresets.json"; }

# 1. The programs.
chosen=()
presets=()
for entry in "${platforms[@]}"; do
    IFS='|' read -r platform preset dir targets programs <<<"$entry"
    if ! have_preset "$preset"; then
        echo "== skipped: $platform (no preset $preset)"
        continue
    fi
    missing=0
    for p in $programs; do [ -f "$root/dist/$dir/$p" ] || missing=1; done
    if [ "$missing" = 1 ]; then
        echo "== build: $preset"
        [ -f "$root/build/$preset/CMakeCache.txt" ] || (cd "$root" && cmake --preset "$preset" >/dev/null)
        if [ "$targets" = "-" ]; then
            (cd "$root" && cmake --build --preset "$preset")
        else
            # shellcheck disable=SC2086
            (cd "$root" && cmake --build --preset "$preset" --target $targets)
        fi
    fi
    for p in $programs; do
        [ -f "$root/dist/$dir/$p" ] || { echo "dist/$dir/$p is missing after the build of $preset" >&2; exit 1; }
    done
    chosen+=("$entry")
    presets+=("$preset")
done
[ ${#chosen[@]} -gt 0 ] || { echo "no platform to release" >&2; exit 1; }
testjvm=$root/dist/kit/TestJvm.class
if [ ! -f "$testjvm" ]; then
    [ -f "$root/build/linux/CMakeCache.txt" ] || (cd "$root" && cmake --preset linux >/dev/null)
    (cd "$root" && cmake --build --preset linux --target kit)
fi

# 2. The same bytes from a clean build elsewhere.
if [ "$check" = 1 ]; then
    # QUARLAN_REPRODUCE_PRESETS narrows the check to some presets (the
    # tests take one Windows and one Linux preset to stay quick). The macOS
    # programs keep their debug map, which names the object files by their
    # place in the build tree: built at another path they differ in those
    # names, so they are not compared.
    checked=()
    for preset in "${presets[@]}"; do
        if [ "$preset" = macos-cross ]; then
            echo "== not checked for reproducibility: macos-cross (the debug map names the build folder)"
        else
            checked+=("$preset")
        fi
    done
    if [ -n "${QUARLAN_REPRODUCE_PRESETS:-}" ] || [ ${#checked[@]} -gt 0 ]; then
        # shellcheck disable=SC2086
        "$root/scripts/reproduce.sh" ${QUARLAN_REPRODUCE_PRESETS:-"${checked[@]}"}
    fi
else
    echo "== not checked for reproducibility (--no-check)"
fi

stage=$(mktemp -d "${TMPDIR:-/tmp}/quarlan-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
for entry in "${chosen[@]}"; do
    IFS='|' read -r platform preset dir targets programs <<<"$entry"
    folder=$stage/quarlan-$version-$platform
    mkdir -p "$folder/docs"
    for p in $programs; do cp "$root/dist/$dir/$p" "$folder/"; done
    cp "$testjvm" "$folder/"
    {
        echo "# Quarlan native programs $version for $platform"
        echo
        echo "This archive holds: $(echo "$programs" | sed 's/ /, /g'), TestJvm.class."
        echo
        cat "$root/docs/release-readme.md"
    } >"$folder/README.md"
    cp "$root/docs/kit-guide.md" "$root/docs/administrators.md" "$root/docs/status-dialog.png" "$folder/docs/"
    mkdir -p "$folder/examples"
    cp -R "$root/examples/demo" "$folder/examples/"
done

# 3. Authenticode signatures on the Windows programs.
if [ -n "${QUARLAN_SIGN_CERT:-}" ]; then
    timestamp=()
    [ -z "${QUARLAN_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$QUARLAN_SIGN_TIMESTAMP")
    for program in "$stage"/quarlan-*-windows-*/*.exe; do
        # The name Windows shows for the program (the elevation prompt's
        # "Program name"): the description in its version resource.
        name=$(x86_64-w64-mingw32-windres -i "$program" -J coff -O rc 2>/dev/null |
            sed -n 's/^ *VALUE "FileDescription", L\{0,1\}"\(.*\)"$/\1/p')
        [ -n "$name" ] || name=$(basename "$program" .exe)
        osslsigncode sign -certs "$QUARLAN_SIGN_CERT" -key "$QUARLAN_SIGN_KEY" -h sha256 \
            -n "$name" "${timestamp[@]}" -in "$program" -out "$program.signed" >/dev/null ||
            { echo "signing $(basename "$program") failed" >&2; exit 1; }
        mv "$program.signed" "$program"
    done
    echo "== signed: the Windows programs (Authenticode, SHA-256)"
else
    echo "== not signed: QUARLAN_SIGN_CERT and QUARLAN_SIGN_KEY are not set"
fi

# 4. Archives and checksums; programs executable, the rest readable, entries
# in name order with one time and no owner.
archives=()
for entry in "${chosen[@]}"; do
    IFS='|' read -r platform preset dir targets programs <<<"$entry"
    base=quarlan-$version-$platform
    find "$stage/$base" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
    for p in $programs; do chmod 755 "$stage/$base/$p"; done
    find "$stage/$base" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    case $platform in
    windows-*)
        archive=$base.zip
        rm -f "$out/$archive"
        (cd "$stage" && find "$base" | LC_ALL=C sort | TZ=UTC zip -X -q -9 -@ "$out/$archive")
        ;;
    *)
        archive=$base.tar.gz
        tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
            -cf - "$base" | gzip -9n >"$out/$archive"
        ;;
    esac
    archives+=("$archive")
    echo "== $out/$archive"
done
(cd "$out" && sha256sum -- "${archives[@]}" >SHA256SUMS)
echo "== $out/SHA256SUMS"
