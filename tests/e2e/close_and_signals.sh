#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Ways to end the show early other than Escape: the window closed by the system
# (WM_DELETE_WINDOW), Ctrl+C (SIGINT) and a logout (SIGTERM). Each runs the teardown and
# ends with exit code 0 within a second.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
wm_delete=$2

start_xvfb || exit 1
failed=0
for how in close SIGINT SIGTERM; do
    SDL_AUDIODRIVER=dummy start_show "$bin"
    window=$(focus_show_window) || exit 1
    sleep 2
    sent=$(now_ms)
    case $how in
        close) "$wm_delete" "$window" ;;
        *) kill -s "$how" "$SHOW_PID" ;;
    esac
    if ! wait_show 5; then
        echo "$how: the show did not end" >&2
        failed=1
        kill -9 "$SHOW_PID"; SHOW_PID=
        continue
    fi
    took=$(( $(now_ms) - sent ))
    echo "$how: exit code $SHOW_RC after ${took} ms"
    if [ "$SHOW_RC" -ne 0 ] || [ "$took" -gt 1500 ]; then failed=1; fi
done
exit $failed
