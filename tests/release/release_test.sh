#!/usr/bin/env bash
# scripts/release.sh end to end, on the presets this machine has built: the
# clean rebuild that must give the same bytes, Authenticode signatures made
# with a throwaway certificate (a flipped byte breaks them), the archives
# with their files and modes, and the checksums. Then a run without the
# signing variables, whose programs are dist/'s own, unsigned. Everything it
# writes lies below its own temporary directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(sed -n 's/^project(quarlan VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quarlan test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null

# The clean rebuild is checked on one Windows and one Linux preset: every
# preset again would double the test run (the macOS and arm64 programs come
# from the same flags).
QUARLAN_REPRODUCE_PRESETS="win64 linux" QUARLAN_SIGN_CERT=$tmp/cert.pem QUARLAN_SIGN_KEY=$tmp/key.pem \
    "$root/scripts/release.sh" "$tmp/signed" | tee "$tmp/signed.log"
grep -q '^reproducible: ' "$tmp/signed.log" || fail "no reproducibility check"
grep -q '^== signed: ' "$tmp/signed.log" || fail "nothing signed"
(cd "$tmp/signed" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS"

# What every archive holds, by platform: its programs (executable), the rest
# readable and not executable.
declare -A programs=(
    [windows-x86]="installer.exe update.exe cleanup.exe kitcheck.exe"
    [windows-x64]="installer.exe update.exe cleanup.exe kitcheck.exe Quarlan.exe QuarlanConsole.exe QuarlanUninstaller.exe"
    [linux-x86_64]="unixloader quarlan kitcheck kitpack"
    [linux-arm64]="unixloader quarlan kitcheck kitpack"
    [macos-universal]="macsetup maclauncher quarlan kitpack"
)
extract() {  # archive directory
    mkdir -p "$2"
    case $1 in
    *.zip) unzip -q "$1" -d "$2" ;;
    *) tar -xzf "$1" -C "$2" ;;
    esac
}
# The known DLLs of Windows 7 (later versions have more).
knowndlls=$(printf '%s.dll\n' advapi32 clbcatq comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt \
    normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32)
listed=$(awk '{print $2}' "$tmp/signed/SHA256SUMS")
for platform in windows-x86 windows-x64 linux-x86_64; do
    grep -qx "quarlan-$version-$platform\.\(zip\|tar\.gz\)" <<<"$listed" || fail "no archive for $platform"
done
for archive in $listed; do
    platform=${archive#quarlan-"$version"-}
    platform=${platform%.zip}
    platform=${platform%.tar.gz}
    dir=$tmp/x/$platform
    extract "$tmp/signed/$archive" "$dir"
    top=$dir/quarlan-$version-$platform
    demo=$(cd "$root" && find examples/demo -type f)
    want=$(printf '%s\n' ${programs[$platform]} TestJvm.class README.md docs/kit-guide.md \
        docs/administrators.md docs/status-dialog.png $demo | LC_ALL=C sort)
    # The README is the users': it names what this archive holds.
    grep -q "^This archive holds: " "$top/README.md" || fail "$archive: README.md is not the users'"
    have=$(cd "$top" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    [ "$have" = "$want" ] || fail "$archive holds: $have"
    for f in $have; do
        case " ${programs[$platform]} " in
        *" $f "*) [ "$(stat -c %a "$top/$f")" = 755 ] || fail "$archive: $f is not executable" ;;
        *) [ "$(stat -c %a "$top/$f")" = 644 ] || fail "$archive: $f has mode $(stat -c %a "$top/$f")" ;;
        esac
    done
    case $platform in
    windows-*)
        for f in ${programs[$platform]}; do
            # Imports are loaded before the program's first instruction, where
            # its own search rules do not reach yet: only known DLLs, which
            # Windows takes from the system directory alone.
            for dll in $(x86_64-w64-mingw32-objdump -p "$top/$f" | sed -n 's/^\tDLL Name: //p' | tr A-Z a-z); do
                grep -qx "$dll" <<<"$knowndlls" || fail "$archive: $f imports $dll, not a known DLL"
            done
            osslsigncode verify -CAfile "$tmp/cert.pem" -in "$top/$f" >"$tmp/verify.log" 2>&1 ||
                { cat "$tmp/verify.log"; fail "$archive: $f is not signed by the test certificate"; }
            cp "$top/$f" "$tmp/flipped.exe"
            offset=$(($(stat -c %s "$tmp/flipped.exe") / 2))
            byte=$(od -An -tu1 -j "$offset" -N1 "$tmp/flipped.exe" | tr -d ' ')
            printf "\\$(printf %03o $(((byte + 1) % 256)))" |
                dd of="$tmp/flipped.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
            if osslsigncode verify -CAfile "$tmp/cert.pem" -in "$tmp/flipped.exe" >/dev/null 2>&1; then
                fail "$archive: $f with a flipped byte still verifies"
            fi
        done
        ;;
    esac
done

# Without the signing variables: said, and the programs are dist/'s.
env -u QUARLAN_SIGN_CERT -u QUARLAN_SIGN_KEY \
    "$root/scripts/release.sh" --no-check "$tmp/plain" | tee "$tmp/plain.log"
grep -q '^== not signed: ' "$tmp/plain.log" || fail "no word that nothing was signed"
(cd "$tmp/plain" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS of the unsigned run"
extract "$tmp/plain/quarlan-$version-windows-x64.zip" "$tmp/plain/x"
for f in ${programs[windows-x64]}; do
    cmp "$tmp/plain/x/quarlan-$version-windows-x64/$f" "$root/dist/win64/$f" || fail "$f is not dist/'s"
done
# Archives that nothing signs are the same bytes in both runs.
cmp "$tmp/signed/quarlan-$version-linux-x86_64.tar.gz" "$tmp/plain/quarlan-$version-linux-x86_64.tar.gz" ||
    fail "two runs wrote different Linux archives"
echo "release: archives, signatures and checksums as expected"
