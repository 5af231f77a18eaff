#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A sound server that goes away while the show plays, done for real on a private server.
# - Restarted (killed and started again, as a crash or `systemctl --user restart` does): the
#   show opens the device again, says so in one line, and the music heard from the new server's
#   sink is where the show clock is (a layer that lost the device played the rest mute).
# - Gone for good: after some seconds of looking for a device, one line says the show goes on
#   silent; it ends as usual.
# - Suspended (PulseAudio only: `pactl suspend-sink`, `pasuspender`): Escape and SIGTERM end the
#   show within a second and a half, exit code 0 (closing the device used to wait for the sink).
#
# Usage: sound_server_loss.sh BIN [pulseaudio|pipewire] [timed|gone]
# timed (the default): the restart and the suspensions, which measure time; gone: the rest.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bin=$1
server=${2:-pulseaudio}
cases=${3:-timed}
work=$(mktemp -d)
python=/usr/bin/python3
. "$here/sound_server.sh"
RECORD_PID=
SUSPENDER_PID=
trap '[ -n "$RECORD_PID" ] && kill "$RECORD_PID"; [ -n "$SUSPENDER_PID" ] && kill "$SUSPENDER_PID"; sound_server_stop; cleanup' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

for tool in ffmpeg taskset xdotool $(sound_server_tools "$server"); do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
$python -c 'import numpy' 2>/dev/null || { echo "FAIL: python3-numpy is not installed" >&2; exit 1; }
ffmpeg -v error -i "$bin/../data/stream/zaza.ogg" -f s16le -ac 1 -ar 44100 "$work/ref.raw" ||
    { echo "FAIL: cannot decode the track" >&2; exit 1; }
start_xvfb || exit 1

run_show() {
    rm -f "$work/frames"
    KAVRI_FRAME_LOG="$work/frames" SDL_AUDIODRIVER=$server start_show "$bin" 2>"$work/stderr"
    WINDOW=$(focus_show_window) || return 1
    wait_show_time "$work/frames" 3 30
}

# --- Restarted --------------------------------------------------------------------------------
if [ "$cases" = timed ]; then
    sound_server_start "$server" || exit 1
    run_show || exit 1
    sound_server_stop
    sleep 1
    sound_server_start "$server" || exit 1
    rm -f "$work/rec.raw" "$work/rec.stamps"
    $python "$here/music_sync.py" record "$work" "$SOUND_SOURCE" &
    RECORD_PID=$!
    wait_show_time "$work/frames" 12 30 || fail "the show stopped after the restart"
    kill -TERM "$SHOW_PID"
    wait_show 5 || { fail "the show did not end"; kill -9 "$SHOW_PID"; SHOW_PID=; }
    [ "${SHOW_RC:-1}" -eq 0 ] || fail "exit code ${SHOW_RC:-none} after the restart"
    kill "$RECORD_PID"; wait "$RECORD_PID"; RECORD_PID=
    said=$(grep -c 'sound device' "$work/stderr")
    echo "restarted: $(grep 'sound device' "$work/stderr" | tr '\n' ';')"
    [ "$said" -eq 1 ] || fail "$said lines about the sound device, not one"
    if ! $python "$here/music_sync.py" place "$work" "$work/ref.raw" 100; then
        fail "the music is not at its place after the restart"
        # The runs below write their own frame log: what this one measured is kept apart.
        mkdir -p "$work/restarted" && cp "$work/frames" "$work/rec.raw" "$work/rec.stamps" "$work/stderr" "$work/restarted/"
    fi
    sound_server_stop
fi

# --- Gone for good: the show goes on silent, says so once, and ends as usual ------------------
if [ "$cases" = gone ]; then
    sound_server_start "$server" || exit 1
    run_show || exit 1
    sound_server_stop
    for _ in $(seq 1 300); do grep -q 'goes on silent' "$work/stderr" && break; sleep 0.05; done
    kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended when its sound server went away"
    kill -TERM "$SHOW_PID"
    wait_show 5 || { fail "the show did not end"; kill -9 "$SHOW_PID"; SHOW_PID=; }
    echo "gone: exit code ${SHOW_RC:-none}; $(grep 'sound device' "$work/stderr" | tr '\n' ';')"
    [ "${SHOW_RC:-1}" -eq 0 ] || fail "exit code ${SHOW_RC:-none} after the server went away"
    [ "$(grep -c 'sound device' "$work/stderr")" -eq 1 ] && grep -q 'goes on silent' "$work/stderr" ||
        fail "not one line saying the show goes on silent"
fi

# --- Suspended --------------------------------------------------------------------------------
if [ "$cases" = timed ] && [ "$server" = pulseaudio ]; then
    sound_server_start pulseaudio || exit 1
    for how in suspend-sink+Escape pasuspender+SIGTERM; do
        run_show || exit 1
        case $how in
            suspend-sink*) pactl suspend-sink show 1 ;;
            pasuspender*) pasuspender -- sleep 60 & SUSPENDER_PID=$! ;;
        esac
        sleep 1
        sent=$(now_ms)
        case $how in
            *Escape) xdotool key --window "$WINDOW" Escape ;;
            *) kill -TERM "$SHOW_PID" ;;
        esac
        if wait_show 10; then
            took=$(( $(now_ms) - sent ))
            echo "$how: exit code $SHOW_RC after $took ms"
            [ "$SHOW_RC" -eq 0 ] && [ "$took" -le 1500 ] || fail "$how: exit code $SHOW_RC after $took ms"
        else
            fail "$how: the show did not end within 10 s"
            kill -9 "$SHOW_PID"; SHOW_PID=
        fi
        pactl suspend-sink show 0
        [ -n "$SUSPENDER_PID" ] && kill "$SUSPENDER_PID" && wait "$SUSPENDER_PID"; SUSPENDER_PID=
    done
fi
[ $failed -eq 0 ] && rm -rf "$work" || echo "kept: $work" >&2
exit $failed
