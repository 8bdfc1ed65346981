# Sourced by the scripts that run Windows programs: starts a virtual display unless one is given, and a
# function that stops it again. Sets DISPLAY.
sqz_start_xvfb() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        SQZ_XVFB_PID=$!
        local i
        for i in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        export DISPLAY=":$n"
        return 0
    done
    echo "xvfb: no free display number" >&2
    return 1
}

sqz_stop_xvfb() {
    if [ -n "${SQZ_XVFB_PID:-}" ]; then
        kill "$SQZ_XVFB_PID" 2>/dev/null || true
        wait "$SQZ_XVFB_PID" 2>/dev/null || true
        SQZ_XVFB_PID=""
    fi
}
