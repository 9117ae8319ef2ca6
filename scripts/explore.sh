#!/bin/sh
# Runs the scenario explorer on the built installers.
#   scripts/explore.sh [--family unixloader|macsetup|installer|cleanup|native|all] COUNT [SEED]
# COUNT scenarios per installer from SEED (default: a random one). "native"
# (the default) explores unixloader and macsetup, "all" installer.exe and
# cleanup.exe under wine as well. A failing scenario prints its seed and the line that repeats it.
set -u
cd "$(dirname "$0")/.." || exit 2
family=native
if [ "${1:-}" = "--family" ]; then family=$2; shift 2; fi
count=${1:?usage: scripts/explore.sh [--family NAME] COUNT [SEED]}
seed=${2:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
build=${QRL_BUILD:-build/linux}
# The Windows programs (QRL_EXPLORER_WIN_DIR; the shipped 32-bit ones by default) and the stand-in java.exe.
win=${QRL_EXPLORER_WIN_DIR:-dist/win32}
[ -f "$win/installer.exe" ] || win=dist/win64
[ -f "$win/installer.exe" ] || win=build/win64/tests/bin
winjvm=${QRL_EXPLORER_JVM:-build/win64/tests/bin/fakejava.exe}
[ -x "$build/tests/bin/explorer" ] || cmake --build "$build" --target explorer unixloader macsetup >/dev/null || exit 2

case $family in
    native) families="unixloader macsetup" ;;
    all) families="unixloader macsetup installer cleanup" ;;
    *) families=$family ;;
esac
status=0
for f in $families; do
    if [ "$f" = cleanup ]; then
        # A prefix of the explorer's own (made on first use, about a minute).
        "$build/tests/bin/explorer" --family cleanup --program "$win/cleanup.exe" \
            --prefix "$(pwd)/$build/wineprefix-explorer" --count "$count" --seed "$seed" || status=1
    elif [ "$f" = installer ]; then
        prefix=$build/wineprefix
        [ -d "$prefix" ] || sh tests/wine-run.sh "$prefix" --init
        "$build/tests/bin/explorer" --family installer --program "$win/installer.exe" --cleanup "$win/cleanup.exe" \
            --jvm "$winjvm" \
            --prefix "$(cd "$prefix" && pwd)" --count "$count" --seed "$seed" || status=1
    else
        program=dist/linux/$f; [ -x "$program" ] || program=$build/installer/$f
        "$build/tests/bin/explorer" --family "$f" --program "$program" --count "$count" --seed "$seed" || status=1
    fi
done
exit $status
