#!/usr/bin/env bash
# Runs every benchmark of the project and prints one table: operation, baseline, files, MB, time, MB/s, the ratio
# against the baseline measured in the same run, the target, the operation's peak memory and, for compression
# rows, its output's size against the baseline's. A name filters
# ("batch": only Optimize through the main window's list, under Wine).
#   scripts/bench.sh [name]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQZ_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j "$(nproc)" >/dev/null
status=0
"$root/build-rel/bench/squozen_bench" "$@" || status=$?
# Optimize through the main window's list is a Windows program, run under Wine; its rows join the same table.
if [ $# -eq 0 ] || [ "$1" = batch ]; then
    "$root/scripts/bench-batch.sh" | tail -n +3 || status=1
fi
exit $status
