# Sourced by the test scripts: the editor tests need an X server; without a display, a virtual
# one is started for the script's lifetime.
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:97
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    velkXvfbPid=$!
    trap 'kill "$velkXvfbPid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
