#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The whole show as a user meets it, in one run under Xvfb:
# - screenshots in the middle of each of the six slots show that slot's scene;
# - the window loses the focus for a few seconds: no frame is drawn meanwhile, and the show
#   jumps by the gap on return;
# - the show ends by itself with exit code 0 after about 70.7 s, the display mode unchanged;
# - the music was played: SDL's disk driver writes what would have been heard to a file,
#   which starts with the track's first samples and lasts as long as the run.
set -u
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/shots.sh"
bin=$1
work=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

start_xvfb || exit 1
mode_before=$(xdpyinfo | grep dimensions)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw" KAVRI_SOUND_LOG="$work/sound.log" start_show "$bin" 2>"$work/stderr"
started=$(now_ms)
focus_show_window >/dev/null || exit 1

# Waits until $1 seconds after the start.
at() {
    local due=$(( started + $(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }') ))
    while [ "$(now_ms)" -lt "$due" ]; do sleep 0.02; done
}

# A burst of shots over about a second, so that a check can see past a flash or a blink.
burst() {
    at "$1"
    for i in 0 1 2 3 4 5; do shoot "$work" "$2-$i"; sleep 0.15; done
}

any_shot() {   # any_shot NAME 'CONDITION' MIN: some shot of the burst has at least MIN such pixels
    for f in "$work/$1"-*.png; do
        [ "$(count_pixels "$f" "$2")" -ge "$3" ] && return 0
    done
    return 1
}

burst 5.0 test
burst 15.2 shape2
burst 25.3 shape6

# Focus away to another window for four seconds, in the middle of the ribbons' long slot.
xlogo -geometry 16x16+0+0 >/dev/null 2>&1 &
logo=$!
at 32.0
other=$(xdotool search --name xlogo | head -n 1)
[ -n "$other" ] && xdotool windowfocus "$other"
at 33.0; shoot "$work" away-1
at 35.0; shoot "$work" away-2
focus_show_window >/dev/null
kill "$logo" 2>/dev/null

burst 40.4 zigzag
burst 55.6 shape5
burst 65.7 shape4

wait_show 30 || { fail "the show did not end by itself"; exit 1; }
took=$(( $(now_ms) - started ))
echo "exit code $SHOW_RC after ${took} ms"
[ "$SHOW_RC" -eq 0 ] || fail "exit code $SHOW_RC"
# 70.728 s of show clock plus the start-up; the clock starts at the first frame.
{ [ "$took" -ge 70500 ] && [ "$took" -le 80000 ]; } || fail "run length ${took} ms"
# Xvfb cannot switch modes, so this guards against the show resizing the screen some other way.
[ "$(xdpyinfo | grep dimensions)" = "$mode_before" ] || fail "display mode changed"
# SDL's disk driver announces itself; the show itself prints nothing.
printed=$(grep -v -e "SDL disk i/o audio driver" -e "Writing to file" "$work/stderr")
[ -z "$printed" ] || fail "the show printed: $printed"

# The scenes, by what each draws for certain.
any_shot test 'r == 255 && g == 255 && b == 0' 5000 || fail "opening: no yellow stripes"
any_shot shape2 'r >= 200 && g >= 100 && b <= 100' 15000 || fail "fly-through: no lit orange picture"
# Tinted black, the tiles leave only the logo (at most about a third of the screen) lit.
black=0; lit=0
for f in "$work"/shape6-*.png; do
    [ "$(count_pixels "$f" 'r == 0 && g == 0 && b == 0')" -ge 120000 ] && black=1 || lit=1
done
[ $black -eq 1 ] && [ $lit -eq 1 ] || fail "tiles: no blink between black and lit tiles"
any_shot zigzag 'r == 92 && g == 92 && b == 92' 1000 || fail "ribbons: no grey band"
any_shot zigzag 'r == 255 && g == 255 && b == 140' 1000 || fail "ribbons: no pale yellow background"
any_shot shape5 'r >= 180 && g >= 150 && b >= 180' 150000 || fail "cat scene: no light backdrop"
for f in "$work"/shape4-*.png; do
    other=$(count_pixels "$f" '!((r == 0 && g == 0 && b == 0) || (r == 255 && g == 0 && b == 0) || (r == 255 && g == 255 && b == 255))')
    [ "$other" -eq 0 ] || fail "heart: $other pixels not black, red or white in $(basename "$f")"
done
any_shot shape4 'r == 255 && g == 0 && b == 0' 1000 || fail "heart: no red squares"

# Nothing was drawn while the window had no focus.
compare -metric AE "$work/away-1.png" "$work/away-2.png" null: 2>"$work/away.diff" ||
    fail "frames were drawn without the focus ($(cat "$work/away.diff") pixels changed)"

# The music: from its first non-zero sample on, the same samples as the track's start.
bytes=$(stat -c %s "$work/audio.raw")
echo "music written: $bytes bytes ($((bytes / 176400)) s)"
if [ -f "$bin/../data/stream/zaza.ogg" ]; then
    [ "$bytes" -ge $(( (took - 6000) * 1764 / 10 )) ] || fail "less music than the run's length"
    # A first sound that came late is put where the show already is (the sound log says by
    # how much): from there on the samples are the track's, to the sample.
    skip=$(sed -n 's/^music put in place: skipped \([0-9]*\) ms$/\1/p' "$work/sound.log" 2>/dev/null | head -n 1)
    sox "$bin/../data/stream/zaza.ogg" -t raw -e signed -b 16 -c 2 -r 44100 "$work/track.raw" trim 0 $(( ${skip:-0} / 1000 + 3 ))
    differ=$(python3 - "$work/audio.raw" "$work/track.raw" "${skip:-0}" <<'PY'
import array, sys
heard, track = array.array("h"), array.array("h")
heard.frombytes(open(sys.argv[1], "rb").read())
track.frombytes(open(sys.argv[2], "rb").read())
first = next((i for i, v in enumerate(heard) if v), len(heard)) // 2 * 2
heard = heard[first:first + 2 * 44100]
def differing(at):   # frames of the first second that differ from the track from frame at
    t = track[2 * at:2 * at + len(heard)]
    if len(t) < len(heard):
        return len(heard) // 2
    return sum((heard[k] - t[k]) ** 2 + (heard[k + 1] - t[k + 1]) ** 2 > 64 for k in range(0, len(heard), 2))
skip = int(sys.argv[3]) * 441 // 10
print(min(differing(at) for at in range(max(0, skip - 2), skip + 46)) if skip else differing(0))
PY
)
    echo "first second: $differ of 44100 frames differ from the track${skip:+ (put in place ${skip} ms into it)}"
    [ "$differ" -lt 441 ] || fail "the music heard is not the track from where it was put"
fi

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "screenshots kept in $work" >&2; fi
exit $failed
