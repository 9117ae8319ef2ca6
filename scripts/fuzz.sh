#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build (ASan and UBSan built in), one
# after the other, for the given number of seconds each (default 600), and
# prints a table: target, executions, coverage, findings.
#
#   scripts/fuzz.sh [seconds] [target...]
#
# Each target grows its corpus in build/fuzz/corpus/<target> (seeded from
# tests/fuzz/corpus/<target>); crashes, leaks and timeouts are kept in
# build/fuzz/findings/<target>, the fuzzer's output in build/fuzz/logs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
build=build/fuzz
if [ ! -f "$build/build.ninja" ]; then
    cmake --preset fuzz >/dev/null
fi
cmake --build --preset fuzz -- -j2 >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    # Every fuzz target the build has, whatever their number.
    while IFS= read -r t; do targets+=("$(basename "$t")"); done < <(
        find "$build/tests/fuzz" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build" >&2; exit 1; }

mkdir -p "$build/logs"
rows=()
total_findings=0
for t in "${targets[@]}"; do
    exe="$build/tests/fuzz/$t"
    corpus="$build/corpus/$t"
    findings="$build/findings/$t"
    log="$build/logs/$t.log"
    mkdir -p "$corpus" "$findings"
    seeds=()
    [ -d "tests/fuzz/corpus/$t" ] && seeds=("tests/fuzz/corpus/$t")
    echo "== $t: ${seconds}s" >&2
    set +e
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$PWD/$findings/" "$corpus" "${seeds[@]}" >"$log" 2>&1
    status=$?
    set -e
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
    found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
                 -o -name 'oom-*' -o -name 'slow-unit-*' \) | wc -l)
    [ "$status" -eq 0 ] || [ "$found" -gt 0 ] || found="exit $status"
    rows+=("$t|${execs:-?}|${cov:-?}|$found")
    [ "$found" = 0 ] || total_findings=$((total_findings + 1))
done

printf '\n| target | executions | coverage | findings |\n|---|---:|---|---|\n'
for r in "${rows[@]}"; do
    IFS='|' read -r t e c f <<<"$r"
    printf '| %s | %s | %s | %s |\n' "$t" "$e" "$c" "$f"
done
echo "seconds per target: $seconds"
[ "$total_findings" -eq 0 ]
