#!/usr/bin/env bash
# Runs every benchmark of the project and prints one table: operation, baseline, files, MB, time, MB/s, the ratio
# against the baseline measured in the same run, the target, the operation's peak memory and, for compression
# rows, its output's size against the baseline's. A name filters ("batch": only Optimize through the main window's
# list; "rows": only adding rows to it; both under Wine).
#   scripts/bench.sh [name]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQZ_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j "$(nproc)" >/dev/null
status=0
"$root/build-rel/bench/squozen_bench" "$@" || status=$?
# The benchmarks through the main window are a Windows program, run under Wine; their rows join the same table.
if [ $# -eq 0 ]; then
    "$root/scripts/bench-window.sh" | tail -n +3 || status=1
elif [ "$1" = batch ] || [ "$1" = rows ]; then
    "$root/scripts/bench-window.sh" "$1" | tail -n +3 || status=1
fi
exit $status
