# Helpers for running the real program under a private virtual X server.
# SPDX-License-Identifier: MIT
# Source it; call start_xvfb first. Needs Xvfb and xdotool.

XVFB_PID=
SHOW_PID=

# start_xvfb [WIDTHxHEIGHT]: one screen of that size (640x480 unless given); $XVFB_ARGS adds
# options (e.g. -noreset).
start_xvfb() {
    local fifo size=${1:-640x480}
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp ${XVFB_ARGS:-} 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r -t 10 display_number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$display_number"
}

cleanup() {
    [ -n "$SHOW_PID" ] && kill -9 "$SHOW_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    return 0
}
trap cleanup EXIT

# Starts the show from its bin directory ($1); extra environment comes from the caller.
start_show() {
    (cd "$1" && exec ./kavri) &
    SHOW_PID=$!
}

# Waits for the show's window (by caption) and gives it the focus, so the show draws.
# Prints the window id.
focus_show_window() {
    local id=
    for _ in $(seq 1 600); do
        id=$(xdotool search --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1)
        [ -n "$id" ] && break
        sleep 0.05
    done
    [ -n "$id" ] || { echo "no window with the caption 'Kavri D3D8 window'" >&2; return 1; }
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    echo "$id"
}

# Waits up to $1 seconds for the show to end; sets SHOW_RC. Returns 1 on timeout.
wait_show() {
    local limit=$1 waited=0
    while kill -0 "$SHOW_PID" 2>/dev/null; do
        sleep 0.05
        waited=$((waited + 1))
        if [ "$waited" -ge $((limit * 20)) ]; then
            return 1
        fi
    done
    wait "$SHOW_PID"
    SHOW_RC=$?
    SHOW_PID=
    return 0
}

# wait_show_time FRAME_LOG SECONDS LIMIT: waits until the show's frame log (KAVRI_FRAME_LOG)
# has reached SECONDS of show time, at most LIMIT seconds. Returns 1 if it did not.
wait_show_time() {
    local log=$1 seconds=$2 tries=$(( $3 * 20 ))
    for _ in $(seq 1 "$tries"); do
        [ -s "$log" ] && [ "$(tail -n 1 "$log" | awk -v s="$seconds" '{ print ($2 >= s) }')" = 1 ] && return 0
        sleep 0.05
    done
    return 1
}

# Milliseconds on the system's monotonic clock (boot time; read without a new process).
# Never the wall clock: a machine whose time is set while a test runs (a virtual machine
# kept in step with its host, NTP stepping) would move it by seconds.
now_ms() { local up; read -r up _ </proc/uptime; echo $(( 10#${up/./} * 10 )); }
