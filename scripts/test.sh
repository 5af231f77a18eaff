#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and runs every test: the normal build's, and the show and its unit tests
# again built with AddressSanitizer and UndefinedBehaviorSanitizer. Tests that draw with
# OpenGL share a private virtual X server; the end-to-end tests start their own.
# Two phases:
# 1. Side by side (four at a time): every test that does not measure real time, while the
#    sanitizer build compiles and then runs its tests. Their shows put at most 30 pictures a
#    second on the window (tests/e2e/frame_pace.c).
# 2. Alone, one by one on an otherwise idle machine: the tests labelled "alone" (where the
#    music is heard, how soon the show or a capture ends).
# With arguments, only the normal build's ctest runs, with those arguments (e.g. -L unit, or
# -LE long to leave out the full-length runs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test

# start_xvfb NAME: a private virtual X server, its display put in $NAME.
servers=()
start_xvfb() {
    local fifo number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    servers+=($!)
    read -r -t 10 number <"$fifo" || { echo "test.sh: Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    printf -v "$1" ':%s' "$number"
}
trap 'kill "${servers[@]}" 2>/dev/null || true' EXIT
start_xvfb DISPLAY
export DISPLAY
export SDL_AUDIODRIVER=dummy

if [ $# -gt 0 ]; then
    (cd build && ctest --output-on-failure "$@")
    exit
fi

# The sanitizer build and its tests, in the background of phase 1. Leaks are looked for
# without OpenGL: Mesa's driver is unloaded before the leak check, so what it keeps cannot be
# told apart from ours. The tests that need OpenGL skip themselves there, and run again with
# it, for memory errors only, on an X server of their own. The tour's show mostly waits for
# its next frame, so it starts as soon as the show is built, beside the rest.
sanitized() {
    local display=$1 tour skipped status=0
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVRI_SANITIZE=ON -DKAVRI_DATAGEN=OFF >/dev/null
    cmake --build build-asan -j"$(nproc)" --target kavri wm_delete frame_pace >/dev/null
    ln -sfn ../build/data build-asan/data
    export UBSAN_OPTIONS=print_stacktrace=1
    # The tour's show is paced by a preloaded library, which need not come after the sanitizer's.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 \
        ctest --output-on-failure -R 'e2e\.tour' >tour.log 2>&1) &
    tour=$!
    cmake --build build-asan -j"$(nproc)" --target kavri_tests >/dev/null
    cd build-asan
    DISPLAY= ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -L unit >unit.log 2>&1 || status=1
    cat unit.log
    skipped=$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .*\*\*\*Skipped.*/\1/p' unit.log | paste -sd'|')
    if [ -n "$skipped" ]; then
        DISPLAY=$display ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -L unit -R "^($skipped)( |\$)" || status=1
    fi
    wait "$tour" || status=1
    cat tour.log
    return $status
}

echo "== phase 1: side by side, with the sanitizer build =="
start_xvfb sanitizer_display
sanitized "$sanitizer_display" >build/sanitized.log 2>&1 &
sanitizer=$!
status=0
(cd build && ctest --output-on-failure -j4 -LE alone) || status=1
if ! wait "$sanitizer"; then
    cat build/sanitized.log
    echo "test.sh: the sanitizer build or its tests failed" >&2
    status=1
fi
grep -E '^(Total Test time|[0-9]+% tests passed)' build/sanitized.log || true

echo "== phase 2: the timed tests, alone =="
(cd build && ctest --output-on-failure -L alone) || status=1
(cd build-asan && export UBSAN_OPTIONS=print_stacktrace=1 &&
    DISPLAY= ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -L alone -R 'SoundOnDisk' &&
    ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -L alone -R 'e2e\.escape') || status=1
exit $status
