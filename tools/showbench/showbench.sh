#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-show frame times at three screen sizes: 640x480 (kavri --window), 1920x1080 and
# 3840x2160 (kavri fullscreen), each on its own Xvfb with no window manager, the whole show
# to its natural end. Every presented frame is timed by a preloaded glXSwapBuffers
# (swap_timer.c); a frame's time is the gap to the one before. Prints, per build and size,
# the median, p99, worst and the frames over 16.7 ms from the show's first frame on (before it
# the window is black while the sound device starts); then, from
# the show's own frame log (KAVRI_FRAME_LOG), each later scene's start against that scene's
# p99.
# With --old BIN, another build of kavri (e.g. an older commit's) runs too, right after
# each run of this one, so both see the same machine, with the same options; --old-plain
# runs it without any (a build older than --window). Builds that put the picture on the
# window past OpenGL are timed as they put it (see swap_timer.c). KAVRI_PRESENT=gl|cpu in the
# environment reaches both builds. SHOWBENCH_SIZES="1920x1080 ..." measures only those sizes.
#
#   tools/showbench/showbench.sh [--old OLD_BUILD_BIN_FOLDER [--old-plain]]   (after scripts/setup.sh)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
new=$repo/build/bin old= old_plain=
[ "${1:-}" = "--old" ] && old=$2
[ "${3:-}" = "--old-plain" ] && old_plain=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -shared -fPIC -o "$work/swap_timer.so" "$repo/tools/showbench/swap_timer.c" -ldl -lX11 -lXext -lxcb-shm -lxcb

# One whole show: $1 the build's bin folder, $2 the screen size, $3... kavri's options.
run() {
    local bin=$1 size=$2
    shift 2
    local fifo=$work/fifo
    rm -f "$work/times" "$work/frames"
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    local xvfb=$!
    local display
    read -r display <"$fifo"
    (cd "$bin" && DISPLAY=:$display SDL_AUDIODRIVER=dummy KAVRI_SWAP_TIMES=$work/times KAVRI_FRAME_LOG=$work/frames \
        LD_PRELOAD=$work/swap_timer.so ./kavri "$@" >/dev/null 2>&1) &
    local show=$!
    # A build that does not take the focus by itself gets it, as a window manager would give it.
    for _ in $(seq 1 100); do
        id=$(DISPLAY=:$display xdotool search --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        sleep 0.1
    done
    DISPLAY=:$display xdotool windowfocus "$id" 2>/dev/null || true
    wait $show || true
    kill $xvfb; wait $xvfb 2>/dev/null || true
    python3 - "$work/times" "$work/frames" <<'PY'
import sys
try:   # a build older than the frame log writes none
    frames = [(int(a) / 1000.0, float(b)) for a, b in (line.split() for line in open(sys.argv[2]))]
except OSError:
    frames = []
# From the show's first frame on: before it the window is black while the sound device starts.
t = [int(x) for x in open(sys.argv[1])]
t = [x for x in t if x / 1000.0 > frames[0][0] - 20.0] if frames else t[1:]
gaps = sorted((b - a) / 1000.0 for a, b in zip(t, t[1:]))
n = len(gaps)
p99 = gaps[min(n - 1, int(0.99 * n + 0.999999) - 1)]
over = sum(g > 1000.0 / 60 for g in gaps)
print(f"{n:6d} frames  median {gaps[n // 2]:6.2f} ms  p99 {p99:6.2f} ms  worst {gaps[-1]:7.2f} ms  over 16.7 ms: {over}")
if not frames:
    sys.exit(0)
# Scene starts: the drawing of each later scene's first frame against its scene's p99. A build
# that puts a picture on the window at once ends that drawing with the new scene's first
# picture; one that puts each picture with the next frame, with the old scene's last. Both
# gaps are printed, old scene's last / new scene's first / the new scene's p99, and counted
# both ways: the reader takes the one that fits the build.
slots = [("shape2", 10.104), ("shape6", 20.208), ("zigzag", 30.312), ("shape5", 50.52), ("shape4", 60.624), ("", 70.728)]
steps = [(b[0] - a[0], b[1]) for a, b in zip(frames[1:], frames[2:])]
parts, slower_at_once, slower_next = [], 0, 0
for (name, start), (_, end) in zip(slots, slots[1:]):
    first = next((i for i, (_, show) in enumerate(steps) if start < show <= end), None)
    if first is None or first == 0:
        continue
    ordered = sorted(ms for ms, show in steps if start < show <= end)
    p99 = ordered[min(len(ordered) - 1, int(0.99 * len(ordered) + 0.999999) - 1)]
    before_last, before_first = steps[first - 1][0], steps[first][0]
    slower_at_once += before_first > p99
    slower_next += before_last > p99
    parts.append(f"{name} {before_last:.1f}/{before_first:.1f}/{p99:.1f}")
print(f"{'':16s}scene starts, ms: {', '.join(parts)}")
print(f"{'':16s}first frames slower than their scene's p99, if put at once: {slower_at_once}; if put with the next frame: {slower_next}")
PY
}

for size in ${SHOWBENCH_SIZES:-640x480 1920x1080 3840x2160}; do
    options=()
    [ $size = 640x480 ] && options=(--window)
    printf '%-10s %-4s ' "$size" new; run "$new" $size "${options[@]}"
    if [ -n "$old" ]; then
        [ -n "$old_plain" ] && options=()
        printf '%-10s %-4s ' "$size" old; run "$old" $size "${options[@]}"
    fi
done
