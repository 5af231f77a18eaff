#!/usr/bin/env bash
# The whole show plays and ends by itself with exit code 0 after about 70.7 s, and the
# music was heard: SDL's disk driver writes what would have been played to a file.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
audio=$(mktemp)

start_xvfb || exit 1
started=$(now_ms)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" start_show "$bin"
focus_show_window >/dev/null || exit 1
wait_show 100 || { echo "the show did not end by itself within 100 s" >&2; exit 1; }
took=$(( $(now_ms) - started ))
echo "exit code $SHOW_RC after ${took} ms"
[ "$SHOW_RC" -eq 0 ] || exit 1
# 70.728 s of show clock plus start-up; the clock starts at the first frame.
[ "$took" -ge 70500 ] && [ "$took" -le 80000 ] || { echo "run length out of range" >&2; exit 1; }

# 44.1 kHz, 16-bit stereo: 176400 bytes a second.
bytes=$(stat -c %s "$audio")
echo "music written: $bytes bytes ($((bytes / 176400)) s)"
if [ -f "$bin/../data/stream/zaza.ogg" ]; then
    [ "$bytes" -ge $((176400 * 60)) ] || { echo "too little music was played" >&2; exit 1; }
    nonzero=$(head -c 8000000 "$audio" | tr -d '\000' | wc -c)
    echo "non-zero bytes in the first 45 s: $nonzero"
    [ "$nonzero" -gt 1000000 ] || { echo "the music is silent" >&2; exit 1; }
fi
rm -f "$audio"
