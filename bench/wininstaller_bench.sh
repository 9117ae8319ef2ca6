#!/usr/bin/env bash
# installer.exe under wine on the demo kit, with the stand-in JVM registered
# under the JavaSoft keys (of a test key), against the JVM runs it makes
# (the probe TestJvm and the wizard) started by cmd.exe, each in one wine
# start, in the same round. Prints the medians, the installer's own time (the
# difference, which includes what cmd.exe itself costs) and the ratio. Run by hand after the linux and win64 builds:
#   bench/wininstaller_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
win=$root/build/win64
kitsrc=$root/build/linux/examples/demo-kit
[ -f "$win/installer/installer.exe" ] && [ -d "$kitsrc" ] || { echo "build the linux and win64 presets first"; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$root/build/linux/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
scratch=$(mktemp -d)
regroot='Software\QuarlanTest\bench'
trap 'wine reg delete "HKCU\\$regroot" /f >/dev/null 2>&1 || true; wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

mkdir -p "$scratch/jre/bin" "$scratch/start"
cp "$win/tests/bin/fakejava.exe" "$scratch/jre/bin/java.exe"
cp "$win/tests/bin/fakejava.exe" "$scratch/jre/bin/javaw.exe"
echo 1.8.0_392 > "$scratch/jre/bin/fakejava.version"
wine reg add "HKCU\\$regroot\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_392" /v JavaHome \
    /d "$(winpath "$scratch/jre")" /f >/dev/null 2>&1
# One wine server for every round, as on a desktop (ended with the benchmark:
# do not run it beside the tests, which share the prefix).
wineserver -p 2>/dev/null || true
export QUARLAN_REGISTRY_ROOT=$regroot FAKEJAVA_WIZARD=ok
# A fresh kit in $scratch/$1 (the direct runs use a directory of their own,
# out of reach of a cleanup program that may still be ending).
fresh_kit() {
    rm -rf "${scratch:?}/$1"
    mkdir -p "$scratch/$1"
    cp "$kitsrc/install.jar" "$kitsrc/qrl.control" "$kitsrc/TestJvm.class" "$scratch/$1/"
    cp "$win/installer/installer.exe" "$win/cleanup/cleanup.exe" "$scratch/$1/"
    winpath "$scratch/start" > "$scratch/$1/startdir.txt"
    echo >> "$scratch/$1/startdir.txt"
}
now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$scratch/inst.ns"; : > "$scratch/jvm.ns"
for i in $(seq "$rounds"); do
    fresh_kit kit
    start=$(now)
    ( cd "$scratch/kit" && wine installer.exe -q answers.properties ) || { echo "round $i: the installation failed"; exit 1; }
    echo $(( $(now) - start )) >> "$scratch/inst.ns"
    # The cleanup program empties the kit (all but its own running copy).
    for _ in $(seq 100); do [ "$(ls "$scratch/kit" 2>/dev/null)" = "__cleanup.exe" ] && break; sleep 0.1; done

    # The same two JVM runs, started by cmd.exe in one wine start as well.
    fresh_kit direct
    java=$(winpath "$scratch/jre/bin/java.exe")
    javaw=$(winpath "$scratch/jre/bin/javaw.exe")
    start=$(now)
    ( cd "$scratch/direct" && wine cmd /c "$java -cp . TestJvm $(winpath "$scratch/direct") & $javaw -cp .;install.jar DemoInstaller -q answers.properties" ) >/dev/null 2>&1
    echo $(( $(now) - start )) >> "$scratch/jvm.ns"
    [ -f "$scratch/direct/__qrlwizard.sem" ] || { echo "round $i: the direct wizard run failed"; exit 1; }
done
inst=$(median < "$scratch/inst.ns")
jvm=$(median < "$scratch/jvm.ns")
awk -v i="$inst" -v j="$jvm" -v r="$rounds" 'BEGIN {
    printf "rounds %d (medians)\n", r
    printf "installer.exe -q, whole run:       %8.1f ms\n", i / 1e6
    printf "its two JVM runs, by cmd.exe:       %8.1f ms\n", j / 1e6
    printf "the installer'"'"'s own time:            %8.1f ms\n", (i - j) / 1e6
    printf "ratio run / JVM runs:               %8.2f\n", i / j
}'
