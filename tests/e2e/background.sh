#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A show left in the background: its window loses the focus to another window a few seconds
# in and never gets it back. It draws nothing from then on, its music plays on, and it still
# ends by itself with exit code 0 at the end of the timetable (about 70.7 s after the music
# started), not later.
set -u
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/shots.sh"
bin=$1
work=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
logo=
trap 'cleanup; [ -n "$logo" ] && kill "$logo" 2>/dev/null' EXIT

start_xvfb || exit 1
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" start_show "$bin" 2>"$work/stderr"
started=$(now_ms)
window=$(focus_show_window) || exit 1

# Another window takes the focus for good.
sleep 3
xlogo -geometry 64x64+0+0 >/dev/null 2>&1 &
logo=$!
other=
for _ in $(seq 1 100); do
    other=$(xdotool search --onlyvisible --name xlogo 2>/dev/null | head -n 1)
    [ -n "$other" ] && break
    sleep 0.05
done
[ -n "$other" ] || { fail "no xlogo window"; exit 1; }
xdotool windowfocus --sync "$other" 2>/dev/null || xdotool windowfocus "$other"
sleep 1
shoot "$work" away-1
sleep 2
shoot "$work" away-2
compare -metric AE "$work/away-1.png" "$work/away-2.png" null: 2>"$work/away.diff" ||
    fail "frames were drawn without the focus ($(cat "$work/away.diff") pixels changed)"
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$other" ] || fail "the show took the focus back"

# 70.728 s of show clock plus the start-up; a show that runs on is ended at 90 s.
wait_show $(( 90 - ($(now_ms) - started) / 1000 )) ||
    { fail "the show in the background did not end by itself (still running after 90 s)"; exit 1; }
took=$(( $(now_ms) - started ))
echo "exit code $SHOW_RC after ${took} ms"
[ "$SHOW_RC" -eq 0 ] || fail "exit code $SHOW_RC"
{ [ "$took" -ge 70500 ] && [ "$took" -le 80000 ]; } || fail "run length ${took} ms"
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$other" ] || fail "the focus left the other window"

# The music played on in the background, for about as long as the run.
bytes=$(stat -c %s "$work/audio.raw" 2>/dev/null || echo 0)
echo "music written: $bytes bytes ($((bytes / 176400)) s)"
if [ -f "$bin/../data/stream/zaza.ogg" ]; then
    [ "$bytes" -ge $(( (took - 6000) * 1764 / 10 )) ] || fail "less music than the run's length"
fi

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "files kept in $work" >&2; fi
exit $failed
