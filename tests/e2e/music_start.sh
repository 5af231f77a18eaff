#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The first thing heard is the track's own start, in step with the first frame, through a real
# sound server whose sink starts late. A PulseAudio null sink renders on a timer of up to 2 s
# and takes a new stream's second buffer only at its next tick; a layer that started the show
# clock when it asked for the music lost up to 1.7 s of the track (or the first frames' worth
# of the picture). Each run records the sink's monitor from before the show starts, plays the
# first seconds and ends the show with SIGTERM; music_sync.py start checks the first sound.
#
# Usage: music_start.sh BIN [pulseaudio|pipewire] [RUNS]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bin=$1
server=${2:-pulseaudio}
runs=${3:-4}
tolerance=
[ "$server" = pipewire ] && tolerance=50   # SDL's PipeWire driver: see music_sync.sh
work=$(mktemp -d)
python=/usr/bin/python3
. "$here/sound_server.sh"
RECORD_PID=
trap '[ -n "$RECORD_PID" ] && kill "$RECORD_PID"; sound_server_stop; cleanup' EXIT

for tool in ffmpeg taskset $(sound_server_tools "$server"); do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
$python -c 'import numpy' 2>/dev/null || { echo "FAIL: python3-numpy is not installed" >&2; exit 1; }
ffmpeg -v error -i "$bin/../data/stream/zaza.ogg" -f s16le -ac 1 -ar 44100 "$work/ref.raw" ||
    { echo "FAIL: cannot decode the track" >&2; exit 1; }
start_xvfb || exit 1

failed=0
for run in $(seq 1 "$runs"); do
    # A fresh server each time: where its timer stands when the show connects is chance.
    sound_server_start "$server" || exit 1
    rm -f "$work/frames" "$work/sound.log" "$work/rec.raw" "$work/rec.stamps"
    $python "$here/music_sync.py" record "$work" "$SOUND_SOURCE" &
    RECORD_PID=$!
    # The show starts once the sink's monitor is being recorded.
    for _ in $(seq 1 100); do [ -s "$work/rec.raw" ] && break; sleep 0.05; done
    sleep 0.2
    KAVRI_FRAME_LOG="$work/frames" KAVRI_SOUND_LOG="$work/sound.log" SDL_AUDIODRIVER=$server \
        start_show "$bin" 2>"$work/stderr"
    focus_show_window >/dev/null || { failed=1; break; }
    wait_show_time "$work/frames" 3 10
    kill -TERM "$SHOW_PID"
    wait_show 10 || { echo "FAIL: the show did not end" >&2; kill -9 "$SHOW_PID"; SHOW_PID=; failed=1; }
    sleep 0.3
    kill "$RECORD_PID"; wait "$RECORD_PID"; RECORD_PID=
    sound_server_stop
    echo "run $run: $(tr "\n" ";" <"$work/sound.log")"
    $python "$here/music_sync.py" start "$work" "$work/ref.raw" $tolerance || failed=1
done
if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "recordings kept in $work" >&2; fi
exit $failed
