#!/bin/sh
# Runs a Windows test program under wine with the build's own prefix. Made
# once wine32 is installed, the prefix runs 32-bit and 64-bit programs alike
# (WoW64: a 32-bit program sees HKLM\SOFTWARE\WOW6432Node as its
# HKLM\SOFTWARE), as 64-bit Windows does.
#   wine-run.sh PREFIX --init                 create the prefix once
#   wine-run.sh PREFIX [--32] [--fresh] program args
#                                             run a program
# --32: the program is a 32-bit one. Where this kernel cannot run 32-bit
# programs, it is not started and the run ends with status 77 (the tests'
# "skipped") and the reason on standard error.
# --fresh: the program runs in a throwaway copy of the prefix (its files on
# drive C: shared, its registry its own), with QUARLAN_FRESH_REGISTRY=1: it
# may change the real HKEY_LOCAL_MACHINE keys, both views of them, and the
# change goes with the copy.
prefix=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine32=${QRL_WINE32_LOADER:-/usr/lib/wine/wine}

# Whether this kernel runs 32-bit programs: the 32-bit wine loader answers.
runs32() {
    case "$("$wine32" --version 2>/dev/null)" in
        wine-*) return 0 ;;
    esac
    return 1
}
# The wine that starts programs here: the usual one, or straight the 64-bit
# loader where the kernel would refuse the 32-bit one that it picks first.
# (Debian puts the 64-bit loader beside the 32-bit one, not on the path.)
wine=wine
if [ -e "$wine32" ] && ! runs32; then
    wine=wine64
    command -v wine64 >/dev/null || wine=/usr/lib/wine/wine64
fi

if [ "$1" = "--init" ]; then
    # A prefix made before wine32 was installed has no 32-bit half: made anew.
    if [ -d "$prefix/drive_c" ] && [ ! -d "$prefix/drive_c/windows/syswow64" ] && [ "$wine" = wine ] &&
        [ -e "$wine32" ]; then
        rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    WINEPREFIX="$prefix" WINEARCH=win64 $wine wineboot -i >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    exit 0
fi

if [ "$1" = "--32" ]; then
    shift
    if [ ! -e "$wine32" ]; then
        echo "wine32 is not installed (scripts/setup.sh installs wine32:i386)" >&2
        exit 1
    fi
    if ! runs32; then
        echo "skipped: this kernel cannot run 32-bit programs ($wine32 does not start)" >&2
        exit 77
    fi
fi

fresh=""
if [ "$1" = "--fresh" ]; then
    shift
    fresh=$(mktemp -d)
    for f in "$prefix"/* "$prefix"/.update-timestamp; do
        [ -e "$f" ] || continue
        case "$f" in
            */drive_c) ln -s "$f" "$fresh/drive_c" ;;
            */wineserver) ;;
            *) cp -a "$f" "$fresh/" ;;
        esac
    done
    prefix=$fresh
    export QUARLAN_FRESH_REGISTRY=1
fi

WINEPREFIX="$prefix" $wine "$@"
status=$?
if [ -n "$fresh" ]; then
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    rm -rf "$fresh"
fi
exit $status
