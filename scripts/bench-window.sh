#!/usr/bin/env bash
# Runs the benchmarks through the real main window (a Windows program: Optimize in the file list, "batch", and adding
# rows to it, "rows"; both unless named) under Wine on a virtual display, in the 64-bit Windows build's own prefix,
# and prints their table.
#   scripts/bench-window.sh [batch] [rows]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
. "$root/scripts/xvfb.sh"
cmake -S "$root" -B "$root/build-win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
cmake --build "$root/build-win64" -j "$(nproc)" --target squozen_window_bench >/dev/null
export WINEPREFIX="$root/build-win64/wineprefix"
sqz_start_xvfb
trap 'sqz_stop_xvfb' EXIT
[ -d "$WINEPREFIX" ] || "$root/build-win64/wine-run.sh" wineboot -i >/dev/null 2>&1
"$root/build-win64/wine-run.sh" "$root/build-win64/bench/squozen_window_bench.exe" "$@"
