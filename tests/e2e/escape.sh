#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show opens its window with its caption, and the release of Escape ends it through
# the teardown with exit code 0 within a second or two (or $2 milliseconds).
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
limit=${2:-2000}

start_xvfb || exit 1
SDL_AUDIODRIVER=dummy start_show "$bin"
window=$(focus_show_window) || exit 1
sleep 2
kill -0 "$SHOW_PID" || { echo "the show ended before Escape" >&2; exit 1; }

xdotool keydown Escape
sleep 0.5
kill -0 "$SHOW_PID" || { echo "pressing (not releasing) Escape ended the show" >&2; exit 1; }
released=$(now_ms)
xdotool keyup Escape
wait_show 5 || { echo "the show did not end within 5 s of the Escape release" >&2; exit 1; }
took=$(( $(now_ms) - released ))
echo "window $window; exit code $SHOW_RC, ${took} ms after the release"
[ "$SHOW_RC" -eq 0 ] || exit 1
[ "$took" -le "$limit" ] || { echo "teardown too slow" >&2; exit 1; }
