#!/bin/sh
# Checks a universal macOS program as a Mac will take it: one fat Mach-O file
# with an x86_64 and an arm64 executable, each for macOS 11 or later and
# linked against libSystem alone, the arm64 one signed (Apple silicon starts
# no unsigned code, and an ad-hoc signature is what a kit author's codesign
# replaces).
#
#   check-macho.sh PROGRAM
set -eu
prog=$1
tool() { command -v "$1" || command -v "$1-14" || { echo "$1 is missing" >&2; exit 1; }; }
objdump=$(tool llvm-objdump)
lipo=$(tool llvm-lipo)
fail() { echo "$prog: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A big-endian number of $2 bytes at offset $1 of the file $3.
number() { echo $((0x$(od -An -tx1 -j "$1" -N "$2" "$3" | tr -d ' \n'))); }

# The slice's signature matches its content: every page hash of the code
# directory is the SHA-256 of that page (a program changed after linking,
# stripped for one, keeps a signature that macOS rejects).
check_signature() {
    slice=$work/$1
    "$lipo" "$prog" -thin "$1" -output "$slice"
    sig=$(echo "$2" | awk '$1 == "cmd" { cmd = $2 } cmd == "LC_CODE_SIGNATURE" && $1 == "dataoff" { print $2 }')
    [ "$(number "$sig" 4 "$slice")" = $((0xfade0cc0)) ] || fail "$1: no signature blob"
    count=$(number $((sig + 8)) 4 "$slice")
    cd=""
    i=0
    while [ $i -lt "$count" ]; do
        entry=$((sig + 12 + i * 8))
        if [ "$(number "$entry" 4 "$slice")" = 0 ]; then cd=$((sig + $(number $((entry + 4)) 4 "$slice"))); fi
        i=$((i + 1))
    done
    [ -n "$cd" ] && [ "$(number "$cd" 4 "$slice")" = $((0xfade0c02)) ] || fail "$1: no code directory"
    flags=$(number $((cd + 12)) 4 "$slice")
    hashes=$((cd + $(number $((cd + 16)) 4 "$slice")))
    slots=$(number $((cd + 28)) 4 "$slice")
    limit=$(number $((cd + 32)) 4 "$slice")
    hashsize=$(number $((cd + 36)) 1 "$slice")
    hashtype=$(number $((cd + 37)) 1 "$slice")
    pagesize=$((1 << $(number $((cd + 39)) 1 "$slice")))
    [ "$hashtype" = 2 ] && [ "$hashsize" = 32 ] || fail "$1: code directory hash type $hashtype, not SHA-256"
    [ $((flags & 2)) = 2 ] || fail "$1: not an ad-hoc signature"
    [ "$slots" = $(((limit + pagesize - 1) / pagesize)) ] || fail "$1: $slots page hashes for $limit bytes"
    head -c "$limit" "$slice" > "$work/code"
    i=0
    while [ $i -lt "$slots" ]; do
        want=$(od -An -tx1 -j $((hashes + i * 32)) -N 32 "$slice" | tr -d ' \n')
        got=$(dd if="$work/code" bs="$pagesize" skip=$i count=1 2>/dev/null | sha256sum | cut -d' ' -f1)
        [ "$want" = "$got" ] || fail "$1: page $i does not match its signature"
        i=$((i + 1))
    done
}

[ -f "$prog" ] || fail "missing"
archs=$("$lipo" -archs "$prog") || fail "not a Mach-O file"
archs=$(echo $archs)
[ "$archs" = "x86_64 arm64" ] || fail "architectures '$archs', not 'x86_64 arm64'"
for arch in x86_64 arm64; do
    headers=$("$objdump" --macho --private-headers --arch="$arch" "$prog")
    echo "$headers" | awk '$1 ~ /^MH_MAGIC/ { type = $5 } END { exit type != "EXECUTE" }' || fail "$arch: not an executable"
    minos=$(echo "$headers" | awk '$1 == "cmd" { cmd = $2 } cmd == "LC_BUILD_VERSION" && $1 == "minos" { print $2 }')
    [ "$minos" = "11.0" ] || fail "$arch: minimum macOS '$minos', not 11.0"
    echo "$headers" | grep -q 'platform macos' || fail "$arch: not built for macOS"
    dylibs=$("$objdump" --macho --dylibs-used --arch="$arch" "$prog" | sed 1d | awk '{ print $1 }')
    [ "$dylibs" = "/usr/lib/libSystem.B.dylib" ] || fail "$arch: libraries: $dylibs"
    signed=no
    if echo "$headers" | grep -q 'cmd LC_CODE_SIGNATURE'; then
        check_signature "$arch" "$headers"
        signed=yes
    fi
    if [ "$arch" = arm64 ] && [ $signed = no ]; then fail "arm64: no code signature"; fi
    echo "$arch: executable, macOS $minos, $dylibs, signed: $signed"
done
