#!/bin/bash
# SPDX-License-Identifier: MIT
# Captures the whole show as PNG frames under an X display (a private Xvfb started here)
# and with DISPLAY unset (the capture's own Xvfb), alternating, a number of rounds; prints
# a Markdown table of wall and processor time (the capture, its children and, under the X
# display, that server's share) and whether the two sets of frames are the same bytes.
#
#   tools/capture/headless-bench.sh [BUILD_FOLDER] [FPS] [ROUNDS]   (defaults: build, 60, 2)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
fps=${2:-60}
rounds=${3:-2}
capture="$build/bin/kavri-capture"
work=$(mktemp -d)
fifo="$work/ready"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
read -r -t 20 number <"$fifo"
hz=$(getconf CLK_TCK)
server_ms() { awk -v hz="$hz" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$xvfb/stat"; }
TIMEFORMAT='%R %U %S'

echo "Whole show at $fps fps; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Round | X display | Wall s | Processor s | Frames | Same bytes |"
echo "|---:|---|---:|---:|---:|---|"
for round in $(seq 1 "$rounds"); do
    for where in shown headless; do
        rm -rf "${work:?}/$where"
        before=$(server_ms)
        if [ "$where" = shown ]; then
            times=$({ time env DISPLAY=":$number" SDL_AUDIODRIVER=dummy "$capture" --fps "$fps" \
                --frames "$work/$where" 2>"$work/err"; } 2>&1) || { cat "$work/err" >&2; exit 1; }
        else
            times=$({ time env -u DISPLAY -u XAUTHORITY SDL_AUDIODRIVER=dummy "$capture" --fps "$fps" \
                --frames "$work/$where" 2>"$work/err"; } 2>&1) || { cat "$work/err" >&2; exit 1; }
        fi
        read -r wall user sys <<<"$times"
        server=$(($(server_ms) - before))
        same=
        [ "$where" = headless ] && { diff -rq "$work/shown" "$work/headless" >/dev/null && same=yes || same=NO; }
        label=$([ "$where" = shown ] && echo "set (Xvfb :$number)" || echo "unset (its own Xvfb)")
        awk -v r="$round" -v l="$label" -v w="$wall" -v u="$user" -v s="$sys" -v x="$server" \
            -v f="$(ls "$work/$where" | wc -l)" -v same="$same" \
            'BEGIN { printf "| %d | %s | %.1f | %.2f | %d | %s |\n", r, l, w, u + s + x / 1000, f, same }'
    done
done
echo
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
