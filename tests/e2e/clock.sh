#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Picture and music stay in step whatever happens to the process and the machine's clock:
# - the wall clock stepped back 2 s and forward 30 s (libfaketime) moves nothing;
# - a process stopped for 12 s (SIGSTOP, SIGCONT) resumes the show where it stood, as the
#   music does;
# - a window that loses the focus at once and gets it back 12 s later shows the scene the
#   music is at, and the loop waits for the focus without burning a core.
# Each case checks by screenshot which scene is on screen at a known time.
set -u
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/shots.sh"
bin=$1
work=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

start_xvfb || exit 1
faketime_lib=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)

# The opening draws yellow stripes; the fly-through after 10.1 s draws a lit orange picture.
shows_opening() { [ "$(count_pixels "$1" 'r == 255 && g == 255 && b == 0')" -ge 5000 ]; }
shows_flythrough() {
    ! shows_opening "$1" && [ "$(count_pixels "$1" 'r >= 200 && g >= 100 && b <= 100')" -ge 15000 ]
}

# any_burst NAME CHECK: a burst of six shots over a second, one of which passes CHECK.
any_burst() {
    for i in 0 1 2 3 4 5; do shoot "$work" "$1-$i"; sleep 0.15; done
    for i in 0 1 2 3 4 5; do "$2" "$work/$1-$i.png" && return 0; done
    return 1
}

end_show() {   # end_show CASE
    xdotool key Escape
    wait_show 10 || { fail "$1: the show did not end after Escape"; kill -9 "$SHOW_PID"; SHOW_PID=; return; }
    [ "$SHOW_RC" -eq 0 ] || fail "$1: exit code $SHOW_RC"
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# 1. Wall clock steps.
if [ -n "$faketime_lib" ]; then
    echo "+0" >"$work/faketime"
    SDL_AUDIODRIVER=dummy LD_PRELOAD="$faketime_lib${LD_PRELOAD:+:$LD_PRELOAD}" FAKETIME_TIMESTAMP_FILE="$work/faketime" \
        FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 start_show "$bin" 2>"$work/stderr"
    focus_show_window >/dev/null || exit 1
    sleep 2; echo "-2" >"$work/faketime"
    sleep 2; echo "+28" >"$work/faketime"
    sleep 2
    kill -0 "$SHOW_PID" 2>/dev/null || fail "wall clock steps: the show ended"
    any_burst steps shows_opening || fail "wall clock steps: not the opening 6 s in"
    end_show "wall clock steps"
else
    fail "libfaketime is not installed"
fi

# 2. Stopped for 12 s, 2 s in.
SDL_AUDIODRIVER=dummy start_show "$bin" 2>"$work/stderr"
focus_show_window >/dev/null || exit 1
sleep 2
kill -STOP "$SHOW_PID"; sleep 12; kill -CONT "$SHOW_PID"
sleep 2
any_burst stopped shows_opening || fail "stopped 12 s: the picture ran on while the process stood still"
end_show "stopped 12 s"

# 3. Focused again 12 s after the window appears: another window takes the focus at once.
# (Without a window manager the show takes the focus itself when its window is mapped.)
xlogo -geometry 16x16+0+0 >/dev/null 2>&1 &
logo=$!
for _ in $(seq 1 100); do
    other=$(xdotool search --name xlogo 2>/dev/null | head -n 1)
    [ -n "$other" ] && break
    sleep 0.05
done
SDL_AUDIODRIVER=dummy start_show "$bin" 2>"$work/stderr"
for _ in $(seq 1 600); do
    xdotool search --onlyvisible --name '^Kavri D3D8 window$' >/dev/null 2>&1 && break
    sleep 0.05
done
sleep 0.5
xdotool windowfocus "$other"
sleep 1.5
before=$(cpu_ticks "$SHOW_PID")
sleep 10
ticks=$(( $(cpu_ticks "$SHOW_PID") - before ))
echo "unfocused: $ticks ticks of CPU in 10 s"
[ "$ticks" -le 200 ] || fail "unfocused: the loop used $ticks ticks of CPU in 10 s"
focus_show_window >/dev/null || exit 1
sleep 0.5
any_burst late shows_flythrough || fail "focused late: the picture is not where the music is"
end_show "focused late"
kill "$logo" 2>/dev/null

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "screenshots kept in $work" >&2; fi
exit $failed
