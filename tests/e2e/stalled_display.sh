#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A display that stops answering (a hung remote link or VNC server; here a stopped Xvfb) must
# not keep the show from ending: Ctrl+C, a second Ctrl+C and SIGTERM each end it within
# about two seconds with exit code 0, whether it puts its picture on the window past OpenGL
# or swaps through OpenGL. With --mode-switch (on a preloaded video mode extension) the
# desktop's mode comes back once the server answers again.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
limit_ms=$2
vidmode_fake=$3
switches=$(mktemp)
frames=$(mktemp)
trap 'cleanup; rm -f "$switches" "$frames"' EXIT

failed=0
for present in cpu gl mode-switch; do
    for how in SIGINT SIGINT-twice SIGTERM; do
        [ $present = mode-switch ] && [ $how != SIGTERM ] && continue
        start_xvfb 1024x768 || exit 1
        : >"$frames"
        if [ $present = mode-switch ]; then
            : >"$switches"
            (cd "$bin" && SDL_AUDIODRIVER=dummy LD_PRELOAD=$vidmode_fake VIDMODE_FAKE_FILE=$switches KAVRI_FRAME_LOG=$frames \
                ASAN_OPTIONS=verify_asan_link_order=0 exec ./kavri --mode-switch) &
        else
            (cd "$bin" && KAVRI_PRESENT=$present SDL_AUDIODRIVER=dummy KAVRI_FRAME_LOG=$frames exec ./kavri) &
        fi
        SHOW_PID=$!
        focus_show_window >/dev/null || exit 1
        wait_show_time "$frames" 0.5 10 || { echo "$present, $how: the show does not draw" >&2; exit 1; }
        switched=$(wc -l <"$switches")
        kill -STOP "$XVFB_PID"
        sleep 0.5   # the show is waiting for the server by now
        sent=$(now_ms)
        kill -s "${how%-twice}" "$SHOW_PID"
        [ "$how" = SIGINT-twice ] && { sleep 0.3; kill -s SIGINT "$SHOW_PID"; }
        if wait_show 10; then
            took=$(( $(now_ms) - sent ))
            echo "$present, $how: exit code $SHOW_RC after ${took} ms"
            if [ "$SHOW_RC" -ne 0 ] || [ "$took" -gt "$limit_ms" ]; then failed=1; fi
        else
            echo "$present, $how: the show did not end within 10 s" >&2
            failed=1
            kill -9 "$SHOW_PID"; wait "$SHOW_PID" 2>/dev/null; SHOW_PID=
        fi
        kill -CONT "$XVFB_PID"
        if [ $present = mode-switch ]; then
            sleep 1.5
            if [ "$(wc -l <"$switches")" -le "$switched" ]; then
                echo "$present: the desktop's mode was not switched back when the server answered again" >&2
                failed=1
            fi
        fi
        kill "$XVFB_PID"; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=
    done
done
exit $failed
