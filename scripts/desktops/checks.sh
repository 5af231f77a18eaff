# The checks, the same on every desktop; sourced by session.sh after the desktop's file.
# SPDX-License-Identifier: MIT
# The show is started as a user starts it, from the user's home, with nothing done to
# give it the focus; the desktop alone decides.

CAPTION='^Kavri D3D8 window$'
SHOT_AT_MS=5000

# Milliseconds on the system's monotonic clock (boot time; read without a new process).
# Never the wall clock: a machine whose time is set while a test runs (a virtual machine
# kept in step with its host, NTP stepping) would move it by seconds.
now_ms() { local up; read -r up _ </proc/uptime; echo $(( 10#${up/./} * 10 )); }

start_show() {   # start_show LABEL [kavri arguments]: sets SHOW_PID, STARTED
    local label=$1
    shift
    STARTED=$(now_ms)
    as_user env -C "$HOME" "$KAVRI" "$@" >"$OUT/$label.out" 2>"$OUT/$label.err" &
    SHOW_PID=$!
}

find_window() {   # prints the show's window id once it exists (10 s at most)
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --name "$CAPTION" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$SHOW_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# The window's inside as WxH+X+Y in screenshot coordinates.
window_geometry() {
    local x y w h dx dy
    eval "$(xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ { print "x=" $NF } /Absolute upper-left Y/ { print "y=" $NF }
        /^ *Width:/ { print "w=" $NF } /^ *Height:/ { print "h=" $NF }')"
    read -r dx dy < <(desktop_offset)
    echo "${w:-0}x${h:-0}+$(( ${x:-0} + dx ))+$(( ${y:-0} + dy ))"
}

# Ends the show with Escape; sets ESCAPED to what happened, returns 0 when it ended with 0.
escape_show() {
    desktop_escape >/dev/null 2>&1
    for _ in $(seq 1 50); do
        kill -0 "$SHOW_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$SHOW_PID" 2>/dev/null; then
        kill -9 "$SHOW_PID" 2>/dev/null
        wait "$SHOW_PID" 2>/dev/null
        ESCAPED="escape=NOT-ENDED"
        return 1
    fi
    wait "$SHOW_PID"
    local rc=$?
    [ "$rc" -eq 0 ] && { ESCAPED="escape=exit0"; return 0; }
    ESCAPED="escape=EXIT$rc"
    return 1
}

# one_run LABEL [kavri arguments]: the picture at about 5 s, then Escape; one line.
one_run() {
    local label=$1 ok=0 id geometry area found before during after wait_ms err
    shift
    before=$(desktop_mode)
    start_show "$label" "$@"
    if ! id=$(find_window); then
        kill -9 "$SHOW_PID" 2>/dev/null
        wait "$SHOW_PID" 2>/dev/null
        echo "$label: FAIL no window ($(head -c 200 "$OUT/$label.err" | tr '\n' ' '))"
        return 1
    fi
    wait_ms=$(( STARTED + SHOT_AT_MS - $(now_ms) ))
    [ "$wait_ms" -gt 0 ] && sleep "$(awk -v m="$wait_ms" 'BEGIN { print m / 1000 }')"
    desktop_shot "$OUT/$label.png" || echo "no screenshot" >"$OUT/$label.png.err"
    during=$(desktop_mode)
    geometry=$(window_geometry "$id")
    if [ "$label" = window ]; then area=$geometry; else area=$(desktop_monitor); fi
    found=$(/usr/bin/python3 "$here/picture.py" "$OUT/$label.png" "$area" "$FRAMES" "$FPS" --window "$geometry" 2>&1) || ok=1
    escape_show || ok=1
    found="$found $ESCAPED"
    after=$(desktop_mode)
    [ "$during" != "$before" ] && found="$found mode-during=($during)"
    if [ "$after" = "$before" ]; then
        found="$found mode=same"
    else
        found="$found mode=CHANGED($before -> $after)"
        ok=1
    fi
    err=$(grep -v "no audio device" "$OUT/$label.err" | head -n 1 | cut -c 1-100)
    [ -n "$err" ] && found="$found stderr=\"$err\""
    echo "$label: $([ $ok -eq 0 ] && echo PASS || echo FAIL) $found"
    return $ok
}

# The show killed with SIGKILL at about 4 s leaves the screen's mode as it was.
kill_run() {
    local before during after
    before=$(desktop_mode)
    start_show kill9
    find_window >/dev/null
    sleep 4
    during=$(desktop_mode)
    kill -9 "$SHOW_PID" 2>/dev/null
    wait "$SHOW_PID" 2>/dev/null
    sleep 1.5
    after=$(desktop_mode)
    if [ "$after" = "$before" ]; then
        echo "kill-9: PASS mode=same$([ "$during" != "$before" ] && echo " (during: $during)")"
        return 0
    fi
    echo "kill-9: FAIL mode=CHANGED($before -> $after)"
    return 1
}

run_checks() {
    local ok=0
    echo "mode: $(desktop_mode)" >"$OUT/report"
    one_run fullscreen >>"$OUT/report" || ok=1
    one_run window --window >>"$OUT/report" || ok=1
    kill_run >>"$OUT/report" || ok=1
    if [ $ok -eq 0 ]; then verdict PASS "all checks"; else verdict FAIL "see report"; fi
}
