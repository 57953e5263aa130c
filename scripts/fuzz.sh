#!/usr/bin/env bash
# Fuzzes every file reader: runs each fuzz target of BUILD/tests/fuzz for
# SECONDS seconds on its corpus BUILD/fuzz-corpus/<target> (seeded by the target
# itself, and growing from run to run). An input that crashes, trips a
# sanitizer, allocates more than 512 MB at once, or lets the process grow past
# 2 GB is a finding: it is kept as BUILD/fuzz-findings/<target>-<kind>-<hash>,
# the other targets still run, and the script fails at the end.
# Usage: scripts/fuzz.sh BUILD SECONDS
set -uo pipefail
build=${1:?usage: scripts/fuzz.sh BUILD SECONDS}
seconds=${2:?usage: scripts/fuzz.sh BUILD SECONDS}
build=$(cd "$build" && pwd)
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export LSAN_OPTIONS=suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/fuzz-findings"
# Scratch folders of runs that died are left here, and removed at the end.
export TMPDIR=$build/fuzz-scratch
mkdir -p "$TMPDIR"

failed=()
summary=()
for target in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$build/fuzz-corpus/$name"
    log="$build/fuzz-findings/$name.log"
    "$target" --seeds="$corpus" || { failed+=("$name (seeds)"); continue; }
    echo "fuzz: $name for ${seconds}s"
    "$target" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -timeout=25 -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$name-" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    summary+=("$(printf '%-24s %8s runs %6s exec/s  status %s' "$name" "${runs:-?}" "${rate:-?}" "$status")")
    if [ "$status" -ne 0 ]; then
        failed+=("$name")
        grep -m1 -E "ERROR: |SUMMARY: |==[0-9]+== ?ERROR|out-of-memory|timeout" "$log" | sed 's/^/    /'
        echo "    full log: $log"
    fi
done

rm -rf "$TMPDIR"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: findings in ${failed[*]} (inputs kept in $build/fuzz-findings/)"
    exit 1
fi
echo "fuzz: no findings"
