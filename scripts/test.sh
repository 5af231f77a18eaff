#!/usr/bin/env bash
# Sets everything up and runs every test. Tests that draw with OpenGL get a private virtual
# X server; the end-to-end tests start their own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 10 display <"$fifo"
export DISPLAY=":$display"
export SDL_AUDIODRIVER=dummy

cd build
ctest --output-on-failure "$@"
