#!/usr/bin/env bash
# unixloader providing a JVM from a kit's archive against the same work done
# by hand, each timed in the same run: a runtime cut from this machine's JDK
# with jlink and packed with makeself is expanded and configured by unixloader
# (search that finds nothing, directory, expansion, launcher, version test and
# probe, the stand-in wizard, cleanup) and, by hand, expanded in an empty
# directory, tested once ("java -version" and the probe) and used to run the
# same wizard. Prints the medians and their ratio. Run by hand after a linux
# build:
#   bench/provision_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
jdk=${JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
loader=$root/build/linux/installer/unixloader
wizard=$root/build/linux/tests/provision/probe-wizard/install.jar
probe=$root/build/linux/kit/classes/TestJvm.class
[ -x "$loader" ] && [ -f "$wizard" ] && [ -f "$probe" ] || { echo "build the linux preset first"; exit 1; }
command -v makeself >/dev/null || { echo "makeself is not installed"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The runtime and its archive, made once.
"$jdk/bin/jlink" --add-modules java.base --output "$scratch/runtime" --strip-debug --no-header-files --no-man-pages
makeself --current --nox11 --quiet --complevel 1 "$scratch/runtime" "$scratch/jre.run" "bench runtime" true >/dev/null 2>&1
# A search path with the system's tools but no JVM, so that the search finds nothing.
mkdir "$scratch/tools"
for f in /usr/bin/* /bin/*; do
    case "$(readlink -f "$f")" in */jvm/*) continue ;; esac
    case "$(basename "$f")" in java*) continue ;; esac
    ln -sf "$f" "$scratch/tools/$(basename "$f")" 2>/dev/null || true
done
mkdir "$scratch/home"

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fresh_kit() {
    rm -rf "$scratch/kit" "$scratch/jvm"
    mkdir "$scratch/kit"
    cp "$scratch/jre.run" "$scratch/kit/jre.run"
    cp "$wizard" "$scratch/kit/install.jar"
    cp "$probe" "$scratch/kit/TestJvm.class"
    cat > "$scratch/kit/qrl.control" <<CONTROL
jvmMinVersion=1.8
jvmVersion=17.0.15
jvmName=JRE
jvmCommandName=java
jvmClasspathSwitch=-cp
loaderClasspath=.;install.jar
loaderJavaCommand=ProbeWizard
jvmSelfExtractor=jre.run
predefinedJvmInstallDir=$scratch/jvm
CONTROL
}

: > "$scratch/loader.ns"; : > "$scratch/hand.ns"
for i in $(seq "$rounds"); do
    fresh_kit
    start=$(now)
    ( cd "$scratch/kit" && PATH="$scratch/tools" HOME="$scratch/home" QUARLAN_SYSTEM_DIRS= QUARLAN_JVM_DIRS= \
        QUARLAN_INSTALL_DIRS= "$loader" -q "$scratch/record" >/dev/null 2>&1 ) || true
    echo $(( $(now) - start )) >> "$scratch/loader.ns"
    grep -q '^nativeJvmInstalled=true' "$scratch/record" || { echo "round $i: unixloader installed no JVM"; exit 1; }

    fresh_kit
    start=$(now)
    ( mkdir "$scratch/jvm" && cd "$scratch/jvm" && PATH="$scratch/tools" sh "$scratch/kit/jre.run" >/dev/null 2>&1 \
        && cd "$scratch/kit" && "$scratch/jvm/bin/java" -version 2>/dev/null \
        && CLASSPATH= "$scratch/jvm/bin/java" -cp . TestJvm "$scratch/kit" \
        && printf 'nativeJvmHomeDir=%s\nnativeJvmInstalled=true\n' "$scratch/jvm" > native.properties \
        && CLASSPATH= "$scratch/jvm/bin/java" -cp .:install.jar ProbeWizard -q "$scratch/record" )
    echo $(( $(now) - start )) >> "$scratch/hand.ns"
done

l=$(median < "$scratch/loader.ns")
h=$(median < "$scratch/hand.ns")
awk -v l="$l" -v h="$h" -v r="$rounds" 'BEGIN {
    printf "rounds                                         %d\n", r
    printf "unixloader, kit archive to wizard (median)     %8.1f ms\n", l / 1e6
    printf "by hand: expand, test, same wizard (median)    %8.1f ms\n", h / 1e6
    printf "ratio                                          %8.3f  (target <= 1.05)\n", l / h
}'
