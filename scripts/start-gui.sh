#!/usr/bin/env bash
# Builds the 64-bit Windows program (build-win64) and starts Squozen.exe under Wine: on the user's display when
# there is one (the program runs until its window is closed), otherwise on a virtual display, where it saves a
# screenshot of the main window once it shows and then ends the program.
#   scripts/start-gui.sh [screenshot.png]     (default build-win64/squozen-window.png)
# The program runs in its own Wine prefix, build-win64/run-prefix (SQZ_WINEPREFIX chooses another).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
. "$root/scripts/xvfb.sh"

shot=${1:-$root/build-win64/squozen-window.png}
cmake -S "$root" -B "$root/build-win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
    >/dev/null
cmake --build "$root/build-win64" -j 2 --target Squozen

export SQZ_WINEPREFIX=${SQZ_WINEPREFIX:-$root/build-win64/run-prefix}
export WINEPREFIX=$SQZ_WINEPREFIX
run="$root/build-win64/wine-run.sh"
program="$root/build-win64/app/Squozen.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "start-gui: starting Squozen.exe on display $DISPLAY (prefix $WINEPREFIX)"
    "$run" wineboot -i >/dev/null 2>&1 || true
    exec "$run" "$program"
fi

sqz_start_xvfb
stop() { WINEPREFIX=$SQZ_WINEPREFIX wineserver -k 2>/dev/null || true; sqz_stop_xvfb; }
trap stop EXIT
echo "start-gui: no display; starting Squozen.exe on the virtual display $DISPLAY (prefix $WINEPREFIX)"
"$run" wineboot -i >/dev/null 2>&1 || true
# Without a window manager Wine draws the frames itself, so that the screenshot shows them.
"$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
"$run" "$program" &
window=""
for _ in $(seq 1 120); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/"Zenvola SWF Optimizer"/ {print $1; exit}')
    [ -n "$window" ] && break
    sleep 0.5
done
if [ -z "$window" ]; then
    echo "start-gui: the main window did not show within a minute" >&2
    exit 1
fi
sleep 2  # the window paints its list and bars once it shows
import -window "$window" "$shot" 2>/dev/null || import -window root "$shot"
echo "start-gui: the program's window is on the virtual display; screenshot saved as $shot"
