#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One run through all six scenes, ended by Escape in the last one: for the sanitizer build,
# which fails the run (non-zero exit code) on any memory error or undefined behaviour.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
log=$(mktemp)

start_xvfb || exit 1
SDL_AUDIODRIVER=dummy start_show "$bin" 2>"$log"
focus_show_window >/dev/null || exit 1
# Escape at about 66 s of show time, in the middle of the last scene (the show clock starts
# after loading, which the sanitizers slow down).
for second in $(seq 1 67); do
    sleep 1
    kill -0 "$SHOW_PID" 2>/dev/null || break
done
xdotool key Escape
wait_show 30 || { echo "the show did not end after Escape" >&2; exit 1; }
echo "exit code $SHOW_RC"
if [ "$SHOW_RC" -ne 0 ] || grep -q -e "Sanitizer" -e "runtime error" "$log"; then
    cat "$log" >&2
    exit 1
fi
rm -f "$log"
