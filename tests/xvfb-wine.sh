#!/bin/sh
# Runs a Windows test program under wine on a display of its own (Xvfb picks
# a free display number), for tests that watch real windows. The prefix is
# the tests' own (made here when missing) and its wine server is ended
# afterwards: a desktop started by a wine program without a display would
# leave later programs of that prefix without windows.
#   xvfb-wine.sh PREFIX [--32] program args   (--32: as wine-run.sh)
prefix=$1
shift
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start" >&2
    kill "$xvfb" 2>/dev/null
    rm -rf "$dir"
    exit 1
fi
export DISPLAY=":$(cat "$dir/display")" QUARLAN_UI_DISPLAY=1
here=$(dirname "$0")
[ -d "$prefix/drive_c" ] || sh "$here/wine-run.sh" "$prefix" --init
sh "$here/wine-run.sh" "$prefix" "$@"
status=$?
WINEPREFIX="$prefix" wineserver -k 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$dir"
exit $status
