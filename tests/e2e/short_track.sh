#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A very short looping track costs what any track costs: a track of one sample (at 44.1 and
# 192 kHz) and one of a tenth of a second are played through the sound layer for a few seconds,
# at the pace of a real device (SDL's disk driver), and the processor time they take is compared
# with the show's own track. A layer that went back to the track's start after every few samples
# took a quarter to three quarters of a core.
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
seconds=4

# SDL's disk driver writes what would be heard to a regular file (SDL 2.32, as in Debian 13,
# refuses a device such as /dev/null); each run overwrites the last.
cost() {   # cost TRACK: percent of one core, as kavri-soundbench prints it
    (cd "$bin" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" ./kavri-soundbench "$1" "$seconds" 2>"$work/said") |
        sed -n 's/.*(\([0-9.]*\) % of one core).*/\1/p'
}

sox -n -r 44100 -c 2 "$work/one.ogg" synth 1s sine 441 || exit 1
sox -n -r 192000 -c 2 "$work/one-192k.ogg" synth 1s sine 441 || exit 1
sox -n -r 44100 -c 1 "$work/tenth.ogg" synth 0.1 sine 441 || exit 1
real=$(cost "$bin/../data/stream/zaza.ogg")
[ -n "$real" ] || { echo "FAIL: kavri-soundbench did not play the show's track:" >&2; cat "$work/said" >&2; exit 1; }
echo "the show's track: $real % of a core"
for track in one.ogg one-192k.ogg tenth.ogg; do
    used=$(cost "$work/$track")
    echo "$track: ${used:-?} % of a core"
    # Allowed: the real track's cost and 3 points of a core for the noise of a busy machine.
    if [ -z "$used" ] || ! awk -v u="$used" -v r="$real" 'BEGIN { exit !(u <= r + 3.0) }'; then
        echo "FAIL: $track costs ${used:-?} % of a core, the show's track $real %" >&2
        failed=1
    fi
done
exit $failed
