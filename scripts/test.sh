#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and runs every test: first the normal build, then the show and its
# unit tests again built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Tests that draw with OpenGL get a private virtual X server; the end-to-end tests start
# their own. With arguments, only the normal build's ctest runs, with those arguments
# (e.g. -L unit, or -LE long to leave out the full-length runs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 10 display <"$fifo" || { echo "test.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
export SDL_AUDIODRIVER=dummy

(cd build && ctest --output-on-failure "$@")
[ $# -eq 0 ] || exit 0

echo "== sanitizer build =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVRI_SANITIZE=ON -DKAVRI_DATAGEN=OFF >/dev/null
cmake --build build-asan -j"$(nproc)" --target kavri kavri_tests wm_delete
ln -sfn ../build/data build-asan/data
export UBSAN_OPTIONS=print_stacktrace=1
cd build-asan
# Leaks are looked for without OpenGL: Mesa's driver is unloaded before the leak check, so
# what it keeps cannot be told apart from ours. With OpenGL, memory errors only.
DISPLAY= ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -L unit
ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -L unit
ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -R 'e2e\.(escape|tour)'
