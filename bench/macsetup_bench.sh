#!/usr/bin/env bash
# macsetup on the demo kit against unixloader on the same kit, timed in turn
# in the same run: what macsetup's private working directory (the locked
# tmpqrlNN, the copy of the kit, its removal) and its Windows-ordered run add.
# The JDK is found below a JVM root for macsetup and on the search path for
# unixloader. Run by hand after a linux build:
#   bench/macsetup_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
jdk=${JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
mac=$root/build/linux/installer/macsetup
loader=$root/build/linux/installer/unixloader
kitsrc=$root/build/linux/examples/demo-kit
[ -x "$mac" ] && [ -x "$loader" ] && [ -d "$kitsrc" ] || { echo "build the linux preset first"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/roots/jdk.jdk" "$scratch/T"
ln -s "$jdk" "$scratch/roots/jdk.jdk/Home"
printf 'installDir=%s\n' "$scratch/app" > "$scratch/answers.properties"

now() { date +%s%N; }
fresh_kit() { rm -rf "$scratch/kit" "$scratch/app"; mkdir -p "$scratch/kit"; cp -R "$kitsrc/." "$scratch/kit/"; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$scratch/mac.ns"; : > "$scratch/loader.ns"
for i in $(seq "$rounds"); do
    fresh_kit
    cp "$mac" "$scratch/kit/macsetup"
    start=$(now)
    TMPDIR="$scratch/T" HOME="$scratch" QUARLAN_MAC_JVM_ROOTS="$scratch/roots" JAVA_HOME= \
        "$scratch/kit/macsetup" -q "$scratch/answers.properties" >/dev/null 2>&1 || true
    echo $(( $(now) - start )) >> "$scratch/mac.ns"
    [ -d "$scratch/app/lib" ] || { echo "round $i: macsetup's installation failed"; exit 1; }

    fresh_kit
    printf '%s\n' "$scratch" > "$scratch/kit/startdir.txt"
    start=$(now)
    ( cd "$scratch/kit" && PATH="$jdk/bin" HOME="$scratch" QUARLAN_SYSTEM_DIRS= QUARLAN_JVM_DIRS= \
        "$loader" -q "$scratch/answers.properties" >/dev/null 2>&1 ) || true
    echo $(( $(now) - start )) >> "$scratch/loader.ns"
    [ -d "$scratch/app/lib" ] || { echo "round $i: unixloader's installation failed"; exit 1; }
done

m=$(median < "$scratch/mac.ns")
u=$(median < "$scratch/loader.ns")
awk -v m="$m" -v u="$u" -v r="$rounds" 'BEGIN {
    printf "rounds                                %d\n", r
    printf "macsetup on the demo kit (median)     %8.1f ms\n", m / 1e6
    printf "unixloader on the demo kit (median)   %8.1f ms\n", u / 1e6
    printf "ratio                                 %8.3f\n", m / u
}'
