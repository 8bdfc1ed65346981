#!/usr/bin/env bash
# Builds everything and runs every test: the native build with AddressSanitizer and UndefinedBehaviorSanitizer,
# the 64-bit Windows build under Wine on a virtual display, and the 32-bit Windows build (compiled, warnings as
# errors), then every libFuzzer target for a bounded time (SQZ_FUZZ_SECONDS, default 60). Build folders: build-native,
# build-win64, build-win32, build-fuzz at the top of the tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
. "$root/scripts/xvfb.sh"

jobs=$(nproc)
started=$(date +%s)
step() { echo; echo "=== $* ($(( $(date +%s) - started ))s)"; }

configure() {  # folder, then cmake options
    local dir=$1; shift
    cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
}

step "native build with sanitizers"
configure build-native -DSQZ_SANITIZE=ON
cmake --build build-native -j "$jobs"
step "native tests"
ctest --test-dir build-native --output-on-failure -j "$jobs"

step "32-bit Windows build"
configure build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DSQZ_TESTS=OFF -DSQZ_BENCH=OFF
cmake --build build-win32 -j "$jobs"

step "64-bit Windows build"
configure build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
cmake --build build-win64 -j "$jobs"

step "Windows tests under Wine (fresh prefix build-win64/wineprefix)"
export WINEPREFIX="$root/build-win64/wineprefix"
rm -rf "$WINEPREFIX"
sqz_start_xvfb
trap 'wineserver -k 2>/dev/null || true; sqz_stop_xvfb' EXIT
"$root/build-win64/wine-run.sh" wineboot -i >/dev/null 2>&1
# Windows the display's window manager does not handle: Wine draws their frames itself (so screenshots show
# them) and shows and hides them at once, as there is no window manager on the virtual display to wait for.
"$root/build-win64/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
ctest --test-dir build-win64 --output-on-failure -j "$jobs"

step "fuzz targets, ${SQZ_FUZZ_SECONDS:-60} s each"
wineserver -k 2>/dev/null || true
"$root/scripts/fuzz.sh" "${SQZ_FUZZ_SECONDS:-60}"

step "all tests passed"
