#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz, clang with AddressSanitizer and UndefinedBehaviorSanitizer) and runs each
# for a bounded time, two at a time, seeded with the sample movies. Prints the executions of every target; fails on
# any crash, leak or sanitizer report (the input is kept under build-fuzz/crashes/).
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true

CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DSQZ_FUZZ=ON -DSQZ_TESTS=OFF -DSQZ_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-fuzz" -j "$(nproc)"

out="$root/build-fuzz/runs"
mkdir -p "$out" "$root/build-fuzz/crashes"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(cd "$root/build-fuzz/fuzz" && ls fuzz_* | grep -v '\.' | sort)
fi

run_one() {
    local t=$1 seeds=("$root/tests/corpus")
    case $t in
        fuzz_extract|fuzz_inspect_projector) seeds=("$root/tests/corpus/projectors" "$root/tests/corpus") ;;
        fuzz_handoff|fuzz_compare) seeds=() ;;  # texts, not movies: their own seeds only
    esac
    [ -d "$root/fuzz/seeds/$t" ] && seeds+=("$root/fuzz/seeds/$t")
    mkdir -p "$out/$t.corpus"
    "$root/build-fuzz/fuzz/$t" "$out/$t.corpus" ${seeds[@]+"${seeds[@]}"} -max_total_time="$seconds" -rss_limit_mb=2048 \
        -max_len=65536 -timeout=20 -print_final_stats=1 -artifact_prefix="$root/build-fuzz/crashes/$t-" \
        >"$out/$t.log" 2>&1
}

status=0
pids=()
names=()
slots=$(nproc)
for t in "${targets[@]}"; do
    run_one "$t" & pids+=($!); names+=("$t")
    if [ ${#pids[@]} -ge "$slots" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done

printf '%-28s %12s %10s  %s\n' target executions exec/s result
for t in "${names[@]}"; do
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$out/$t.log" | grep -oE '[0-9]+$' || echo 0)
    rate=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$out/$t.log" | grep -oE '[0-9]+$' || echo 0)
    result=ok
    if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|deadly signal' "$out/$t.log"; then
        result="FAILED (see $out/$t.log)"
        status=1
    fi
    printf '%-28s %12s %10s  %s\n' "$t" "$runs" "$rate" "$result"
done
exit $status
