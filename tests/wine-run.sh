#!/bin/sh
# Runs a Windows test program under wine with the build's own prefix.
#   wine-run.sh PREFIX --init        create the prefix once
#   wine-run.sh PREFIX program args  run a program
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$1" = "--init" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    exit 0
fi
wine "$@"
status=$?
exit $status
