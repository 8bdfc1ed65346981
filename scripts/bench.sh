#!/usr/bin/env bash
# Runs every benchmark of the project and prints one table: operation, baseline, files, MB, time, MB/s, the ratio
# against the baseline measured in the same run, the target, and the operation's peak memory. A name filters.
#   scripts/bench.sh [name]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQZ_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j "$(nproc)" >/dev/null
exec "$root/build-rel/bench/squozen_bench" "$@"
