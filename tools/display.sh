# Sourced by the test scripts: the editor tests need an X server; without a display, a virtual
# one is started on a free display number and stopped when the script ends.
if [ -z "${DISPLAY:-}" ]; then
    velkDisplay=97
    while [ -e "/tmp/.X${velkDisplay}-lock" ]; do velkDisplay=$((velkDisplay + 1)); done
    export DISPLAY=":${velkDisplay}"
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    velkXvfbPid=$!
    trap 'kill "$velkXvfbPid" 2>/dev/null && wait "$velkXvfbPid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if ! xdpyinfo >/dev/null 2>&1; then
        echo "Xvfb did not start on $DISPLAY" >&2
        exit 1
    fi
fi
