#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show with a window manager (openbox) that comes and goes for real, on Xvfb 1024x768.
# A window manager that has ended leaves the root's _NET_SUPPORTING_WM_CHECK naming a window
# that is gone; the show must then behave as on a bare X server: take the focus itself and
# draw. Cases:
# - openbox ended cleanly (openbox --exit), or killed with SIGKILL, before the show starts
#   (fullscreen, and --window);
# - a stale check window that exists but does not name itself;
# - openbox ended cleanly, or killed, while the show runs;
# - openbox started while the show runs: the show stays fullscreen and draws;
# - a window manager that runs but never gives the focus: after a short wait the show draws
#   anyway and says so; SIGTERM and a close request still end it.
# "Draws" means: the show has the keyboard focus (where asked), the screen shows a picture
# that changes, and Escape ends the show with 0.
set -u
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/shots.sh"
bin=$1
wm_check=$2
wm_delete=$3
work=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
WM_PID= HELPER_PID=
trap 'cleanup; for p in $WM_PID $HELPER_PID; do kill -9 "$p" 2>/dev/null; done' EXIT

# The root keeps its properties between the cases: nothing resets the server.
XVFB_ARGS=-noreset start_xvfb 1024x768 || exit 1
export HOME=$work   # openbox's own files

# The window the root's check property names, if it names itself (a live window manager).
live_wm() {
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ { print $NF }')
    [ -n "$check" ] && xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "$check"
}

start_openbox() {
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    WM_PID=$!
    disown "$WM_PID"   # no job notice when it is killed
    for _ in $(seq 1 100); do live_wm && return 0; sleep 0.1; done
    fail "openbox did not start"
    return 1
}

# end_openbox exit|kill: ends it cleanly or with SIGKILL; the root's property stays behind.
end_openbox() {
    if [ "$1" = exit ]; then openbox --exit; else kill -9 "$WM_PID"; fi
    for _ in $(seq 1 100); do kill -0 "$WM_PID" 2>/dev/null || break; sleep 0.1; done
    WM_PID=
    live_wm && fail "$1: a window manager still seems to run"
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || fail "$1: the root's check property is gone"
}

run_show() {   # run_show NAME [ARGS]: starts the show, waits for its window; sets WINDOW
    local name=$1
    shift
    (cd "$bin" && SDL_AUDIODRIVER=dummy exec ./kavri "$@") 2>"$work/$name.stderr" &
    SHOW_PID=$!
    WINDOW=
    for _ in $(seq 1 600); do
        WINDOW=$(xdotool search --onlyvisible --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1)
        [ -n "$WINDOW" ] && break
        sleep 0.05
    done
    [ -n "$WINDOW" ] || { fail "$name: no window"; return 1; }
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WINDOW" ]; }

# draws NAME: within 8 s the screen shows a picture (not black) that changes from shot to shot.
draws() {
    local i lit changed
    for i in $(seq 1 16); do
        shoot "$work" "$1-a"
        sleep 0.25
        shoot "$work" "$1-b"
        lit=$(count_pixels "$work/$1-b.png" 'r + g + b > 0')
        changed=$(compare -metric AE "$work/$1-a.png" "$work/$1-b.png" null: 2>&1)
        [ "$lit" -gt 10000 ] && [ "${changed:-0}" -gt 1000 ] 2>/dev/null && return 0
        sleep 0.25
    done
    fail "$1: no moving picture on the screen (lit $lit, changed $changed)"
    return 1
}

# focused_and_drawing NAME: the show has the focus within 5 s, and draws.
focused_and_drawing() {
    for _ in $(seq 1 50); do has_focus && break; sleep 0.1; done
    has_focus || fail "$1: the show does not have the focus ($(xdotool getwindowfocus 2>&1 | tail -n 1))"
    draws "$1"
}

end_with_escape() {
    xdotool key --window "$WINDOW" Escape 2>/dev/null
    has_focus || xdotool key Escape
    wait_show 10 || { fail "$1: Escape did not end the show"; kill -9 "$SHOW_PID"; SHOW_PID=; return; }
    [ "$SHOW_RC" -eq 0 ] || fail "$1: exit code $SHOW_RC after Escape"
}

covers_screen() {
    local geometry
    geometry=$(xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                                           /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }')
    [ "$geometry" = "1024x768+0+0" ] || fail "$1: the window is at $geometry, not over the screen"
}

# 1. A window manager that ended before the show: cleanly, or killed.
for how in exit kill; do
    start_openbox || continue
    end_openbox "$how"
    if run_show "gone-before-$how"; then
        focused_and_drawing "gone-before-$how"
        covers_screen "gone-before-$how"
        end_with_escape "gone-before-$how"
    fi
done

# The same for a window (the root still names the killed openbox's check window).
if run_show gone-before-window --window; then
    focused_and_drawing gone-before-window
    end_with_escape gone-before-window
fi

# 2. A check window that exists but does not name itself.
"$wm_check" stale >"$work/stale.id" &
HELPER_PID=$!
for _ in $(seq 1 50); do [ -s "$work/stale.id" ] && break; sleep 0.1; done
if run_show stale; then
    focused_and_drawing stale
    end_with_escape stale
fi
kill "$HELPER_PID"; wait "$HELPER_PID" 2>/dev/null; HELPER_PID=

# 3. The window manager ends while the show runs: cleanly, or killed.
for how in exit kill; do
    start_openbox || continue
    if run_show "gone-during-$how"; then
        focused_and_drawing "gone-during-$how-before"
        end_openbox "$how"
        sleep 1
        focused_and_drawing "gone-during-$how"
        covers_screen "gone-during-$how"
        end_with_escape "gone-during-$how"
    fi
done

# 4. A window manager that starts while the show runs takes it over, fullscreen.
if run_show came-during; then
    focused_and_drawing came-during-before
    start_openbox
    sleep 2
    focused_and_drawing came-during
    covers_screen came-during
    end_with_escape came-during
    end_openbox kill
fi

# 5. A window manager that runs but never gives the focus: the show draws anyway after a
#    short wait, says why, and still ends on SIGTERM and on a close request.
"$wm_check" self >"$work/self.id" &
HELPER_PID=$!
for _ in $(seq 1 50); do live_wm && break; sleep 0.1; done
for how in SIGTERM close; do
    if run_show "no-focus-$how"; then
        draws "no-focus-$how"
        has_focus && fail "no-focus-$how: the show took the focus from a running window manager"
        grep -q "focus" "$work/no-focus-$how.stderr" ||
            fail "no-focus-$how: the show did not say why it plays without the focus"
        if [ "$how" = SIGTERM ]; then kill -TERM "$SHOW_PID"; else "$wm_delete" "$WINDOW"; fi
        wait_show 5 || { fail "no-focus-$how: the show did not end"; kill -9 "$SHOW_PID"; SHOW_PID=; continue; }
        [ "$SHOW_RC" -eq 0 ] || fail "no-focus-$how: exit code $SHOW_RC"
    fi
done
kill "$HELPER_PID"; wait "$HELPER_PID" 2>/dev/null; HELPER_PID=

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "screenshots kept in $work" >&2; fi
exit $failed
