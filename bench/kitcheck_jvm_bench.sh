#!/usr/bin/env bash
# kitcheck --jvm against unixloader on the same machine setup: how many JVMs
# each starts for the search (version commands and probes), and their wall
# time, side by side in one run. The machine: stand-in JVMs (shell scripts
# that record every start) on the search path and in three system
# directories: one too new, one whose probe answers another version, 11
# (too old), 17 (taken) and 21 (never reached). Run by hand after a linux
# build:
#   bench/kitcheck_jvm_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
kitcheck=$root/build/linux/kitcheck/kitcheck
loader=$root/build/linux/installer/unixloader
probe=$root/dist/kit/TestJvm.class
[ -x "$kitcheck" ] && [ -x "$loader" ] && [ -f "$probe" ] || { echo "build the linux preset first"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
starts=$scratch/starts.log

# A stand-in JVM: its -version banner, and the probe's answer.
jvm() {  # home version probe-answer
    mkdir -p "$1/bin"
    cat > "$1/bin/java" <<EOF
#!/bin/sh
case "\$*" in
  -version) echo "\$0 -version" >> "$starts"; echo 'openjdk version "$2" 2025-04-15' >&2 ;;
  "-cp . TestJvm "*) echo "\$0 probe" >> "$starts"; echo '$3' > "\$4/jvmGood.txt" ;;
  *) echo "\$0 \$*" >> "$scratch/other.log" ;;
esac
EOF
    chmod 755 "$1/bin/java"
}
jvm "$scratch/p25" 25.0.1 25.0.1
jvm "$scratch/liar" 17.0.2 1.6.0_45
jvm "$scratch/s11/jdk" 11.0.2 11.0.2
jvm "$scratch/s17/jdk" 17.0.15 17.0.15
jvm "$scratch/s21/jdk" 21.0.3 21.0.3
mkdir -p "$scratch/home" "$scratch/kitsrc"
printf 'jvmMinVersion=17\njvmMaxVersion=21\njvmClasspathSwitch=-cp\nloaderClasspath=.\nloaderJavaCommand=Setup\n' \
    > "$scratch/kitsrc/qrl.control"
cp "$probe" "$scratch/kitsrc/"
cp "$loader" "$scratch/kitsrc/"

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
machine() {
    env PATH="$scratch/p25:$scratch/liar" HOME="$scratch/home" JAVA_HOME= \
        QUARLAN_SYSTEM_DIRS="$scratch/s11:$scratch/s17:$scratch/s21" QUARLAN_JVM_DIRS= "$@"
}

: > "$scratch/check.ns"; : > "$scratch/loader.ns"
for i in $(seq "$rounds"); do
    : > "$starts"
    start=$(now)
    machine "$kitcheck" --jvm "$scratch/kitsrc" > "$scratch/report.txt" || { cat "$scratch/report.txt"; exit 1; }
    echo $(( $(now) - start )) >> "$scratch/check.ns"
    check=$(wc -l < "$starts")

    : > "$starts"
    rm -rf "$scratch/kit"; cp -R "$scratch/kitsrc" "$scratch/kit"
    start=$(now)
    ( cd "$scratch/kit" && machine ./unixloader -q /dev/null >/dev/null 2>&1 ) || true
    echo $(( $(now) - start )) >> "$scratch/loader.ns"
    installer=$(wc -l < "$starts")
    [ "$check" -le "$installer" ] || { echo "round $i: kitcheck started $check JVMs, unixloader $installer"; exit 1; }
done

c=$(median < "$scratch/check.ns")
l=$(median < "$scratch/loader.ns")
awk -v c="$c" -v l="$l" -v cs="$check" -v ls="$installer" -v r="$rounds" 'BEGIN {
    printf "rounds                                     %d\n", r
    printf "JVM starts of the search: kitcheck --jvm   %d\n", cs
    printf "JVM starts of the search: unixloader       %d\n", ls
    printf "ratio of starts                            %8.3f  (target <= 1)\n", cs / ls
    printf "kitcheck --jvm (median)                    %8.1f ms\n", c / 1e6
    printf "unixloader, search and failed wizard       %8.1f ms\n", l / 1e6
}'
echo "kitcheck's report of the last round:"
cat "$scratch/report.txt"
