#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Where the show cannot start, it says why in one line and exits with a non-zero code:
# no X server at all, and an X server without OpenGL (GLX).
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
failed=0

expect_refusal() {   # expect_refusal CASE WORDS: one line containing WORDS, non-zero exit
    local err rc
    err=$(cd "$bin" && SDL_AUDIODRIVER=dummy timeout 20 ./kavri 2>&1 >/dev/null)
    rc=$?
    echo "$1: exit code $rc: $err"
    if [ "$rc" -eq 0 ] || [ "$rc" -eq 124 ] || [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ] ||
        ! printf '%s' "$err" | grep -q "$2"; then
        failed=1
    fi
}

DISPLAY=:4095 expect_refusal "no X server" "X display"

# Xvfb without its GLX extension: an X server without OpenGL.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -extension GLX 3>"$fifo" >/dev/null 2>&1 &
XVFB_PID=$!
read -r -t 10 number <"$fifo"
rm -f "$fifo"
DISPLAY=":$number" expect_refusal "no OpenGL" "OpenGL"
exit $failed
