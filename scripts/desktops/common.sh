# Helpers shared by the desktops' files; sourced by session.sh.
# SPDX-License-Identifier: MIT
# The desktops and the show run as 'nobody': compositors refuse to run as root, and a user's
# programs are not root either.

SKIP_REASON=

as_user() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
}

# verdict PASS|FAIL|SKIP TEXT: the session's one line, read by check-desktops.sh.
verdict() {
    echo "$1 $2" >"$OUT/result"
}

# skip TEXT: this desktop cannot run here; desktop_start returns 1 after it.
skip() {
    SKIP_REASON=$1
    echo "skip: $1"
    return 1
}

# need COMMAND...: skips the desktop when one of them is not installed.
need() {
    local c
    for c in "$@"; do
        command -v "$c" >/dev/null || { skip "$c is not installed"; return 1; }
    done
}

# wait_for SECONDS COMMAND...: until COMMAND succeeds; 1 on timeout.
wait_for() {
    local limit=$(( $1 * 10 ))
    shift
    for _ in $(seq 1 "$limit"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# A free X display number and its Xvfb: start_xvfb NUMBER WxH [more Xvfb arguments].
start_xvfb() {
    local number=$1 size=$2
    shift 2
    as_user Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp -noreset "$@" >"$OUT/xvfb-$number.log" 2>&1 &
    wait_for 10 env DISPLAY=":$number" xdpyinfo || { echo "Xvfb :$number did not start"; return 1; }
}

# The X screen's size and each output's current mode, on one line.
x_mode() {
    DISPLAY=${1:-$DISPLAY} xrandr --current 2>/dev/null | awk '
        /^Screen/ { sub(/.*current /, ""); sub(/,.*/, ""); gsub(/ /, ""); line = "root " $0 }
        / connected/ { out = $1 }
        /\*/ { line = line ", " out "=" $1 }
        END { print line }'
}

# A private session bus, and a second one standing in for the system bus.
start_buses() {
    mkdir -p /tmp/dbus
    chown nobody:nogroup /tmp/dbus
    as_user dbus-daemon --session --fork --nopidfile --address=unix:path=/tmp/dbus/session >/dev/null || return 1
    as_user dbus-daemon --session --fork --nopidfile --address=unix:path=/tmp/dbus/system >/dev/null || return 1
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/tmp/dbus/session
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/tmp/dbus/system
}

# What a desktop does unless its file says otherwise.
desktop_escape() { xdotool key Escape; }
# X root coordinates to screenshot coordinates (XWayland under a compositor).
desktop_offset() { echo "0 0"; }
