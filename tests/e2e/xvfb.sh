# Shared by the end-to-end scripts: a private Xvfb screen and the real binary.
# Source it, then call start_xvfb WIDTHxHEIGHT.

start_xvfb() {
    local size=$1 numberfile
    numberfile=$(mktemp)
    # Xvfb picks a free display number itself and writes it to the file, so
    # two test runs never share a screen.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        if [ -s "$numberfile" ]; then
            E2E_DISPLAY=":$(head -n 1 "$numberfile" | tr -d '[:space:]')"
            if DISPLAY=$E2E_DISPLAY xdpyinfo >/dev/null 2>&1; then
                rm -f "$numberfile"
                export DISPLAY=$E2E_DISPLAY
                return 0
            fi
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numberfile"
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    echo "cannot start Xvfb" >&2
    return 1
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    return 0
}

# find_window TITLE: waits up to 15 s for a visible window with exactly that title.
find_window() {
    local title=$1
    for _ in $(seq 150); do
        local id
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_exit PID SECONDS: waits for the process, sets EXIT_CODE; fails on time-out.
wait_exit() {
    local pid=$1 seconds=$2
    for _ in $(seq $(( seconds * 10 ))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            EXIT_CODE=$?
            return 0
        fi
        sleep 0.1
    done
    return 1
}
