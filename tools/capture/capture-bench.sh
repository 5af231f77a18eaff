#!/bin/bash
# SPDX-License-Identifier: MIT
# Times whole-show captures to a video, as an uploader makes them, against the show's own
# 70.728 s: --scale 1 and --scale 3, with OpenGL on the current X display and with
# --software. Prints a Markdown table, with the load average before and after, since the
# renderer and ffmpeg share the machine's cores with everything else.
#
#   tools/capture/capture-bench.sh [BUILD_FOLDER] [VIDEO_NAME]   (defaults: build, show.mp4)
set -euo pipefail

build=${1:-build}
name=${2:-show.mp4}
capture="$build/bin/kavri-capture"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TIMEFORMAT='%R %U %S'

echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Renderer | --scale | Picture | Wall s | Show length / wall | CPU s (capture and ffmpeg) | Video MiB |"
echo "|---|---:|---|---:|---:|---:|---:|"
for renderer in OpenGL software; do
    for scale in 1 3; do
        args=(--scale "$scale" --video "$work/$name")
        [ "$renderer" = software ] && args+=(--software)
        if ! times=$({ time "$capture" "${args[@]}" 2>"$work/err"; } 2>&1); then
            cat "$work/err" >&2
            exit 1
        fi
        read -r wall user sys <<<"$times"
        bytes=$(stat -c %s "$work/$name")
        awk -v r="$renderer" -v s="$scale" -v w="$wall" -v u="$user" -v y="$sys" -v b="$bytes" 'BEGIN {
            printf "| %s | %d | %dx%d | %.1f | %.2f | %.1f | %.1f |\n", r, s, 640 * s, 480 * s, w, 70.728 / w,
                   u + y, b / 1048576 }'
        rm -f "$work/$name"
    done
done
echo
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
