#!/usr/bin/env bash
# unixloader on the demo kit against the JVM runs it has to make, each timed
# on its own in the same run: the version test ("java -version"), the probe
# (TestJvm) and the wizard. Prints the medians, the ratio and the peak memory
# (VmHWM) of unixloader itself. Run by hand after a linux build:
#   bench/unixloader_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
jdk=${JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
loader=$root/build/linux/installer/unixloader
kitsrc=$root/build/linux/examples/demo-kit
[ -x "$loader" ] && [ -d "$kitsrc" ] || { echo "build the linux preset first"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

now() { date +%s%N; }
fresh_kit() {
    rm -rf "$scratch/kit" "$scratch/app"
    cp -R "$kitsrc/." "$scratch/kit/" 2>/dev/null || { mkdir -p "$scratch/kit"; cp -R "$kitsrc/." "$scratch/kit/"; }
}
printf 'installDir=%s\n' "$scratch/app" > "$scratch/answers.properties"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$scratch/loader.ns"; : > "$scratch/jvm.ns"; : > "$scratch/hwm.kb"
for i in $(seq "$rounds"); do
    # unixloader alone on the machine.
    fresh_kit
    start=$(now)
    ( cd "$scratch/kit" && PATH="$jdk/bin" HOME="$scratch" QUARLAN_SYSTEM_DIRS= QUARLAN_JVM_DIRS= \
        "$loader" -q "$scratch/answers.properties" >/dev/null 2>&1 ) || true
    echo $(( $(now) - start )) >> "$scratch/loader.ns"
    [ -d "$scratch/app/lib" ] || { echo "round $i: the installation failed"; exit 1; }

    # The same JVM runs, one after the other, started directly.
    fresh_kit
    cp "$root/examples/demo/qrl.control" "$scratch/kit/qrl.control"
    printf 'nativeJvmHomeDir=%s\nnativeJvmInstalled=false\nnativeJvmInstalledInTemp=false\nconfigureWinRegistry=false\n' \
        "$jdk" > "$scratch/kit/native.properties"
    start=$(now)
    ( cd "$scratch/kit" && "$jdk/bin/java" -version 2>/dev/null \
        && CLASSPATH= "$jdk/bin/java" -cp . TestJvm "$scratch/kit" \
        && CLASSPATH= "$jdk/bin/java" -cp .:install.jar DemoInstaller -q "$scratch/answers.properties" >/dev/null )
    echo $(( $(now) - start )) >> "$scratch/jvm.ns"
done

# One more run, its own peak memory (VmHWM, without the JVMs it starts)
# sampled from /proc while it runs; not timed, the sampling costs time.
fresh_kit
( cd "$scratch/kit" && PATH="$jdk/bin" HOME="$scratch" QUARLAN_SYSTEM_DIRS= QUARLAN_JVM_DIRS= \
    exec "$loader" -q "$scratch/answers.properties" >/dev/null 2>&1 ) &
sub=$!
hwm=0
while kill -0 "$sub" 2>/dev/null; do
    v=$(awk '/VmHWM/ {print $2}' "/proc/$sub/status" 2>/dev/null || true)
    [ -n "$v" ] && [ "$v" -gt "$hwm" ] && hwm=$v
    sleep 0.005
done
wait "$sub" || true
echo "$hwm" >> "$scratch/hwm.kb"

l=$(median < "$scratch/loader.ns")
j=$(median < "$scratch/jvm.ns")
h=$(sort -n "$scratch/hwm.kb" | tail -1)
awk -v l="$l" -v j="$j" -v h="$h" -v r="$rounds" 'BEGIN {
    printf "rounds                               %d\n", r
    printf "unixloader on the demo kit (median)  %8.1f ms\n", l / 1e6
    printf "JVM runs started directly (median)   %8.1f ms\n", j / 1e6
    printf "ratio                                %8.3f  (target <= 1.05)\n", l / j
    printf "unixloader peak memory (VmHWM)       %8.1f MiB\n", h / 1024
}'
