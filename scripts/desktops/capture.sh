#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The reference frames: kavri-capture with OpenGL on a private Xvfb, as the show draws.
#   capture.sh KAVRI_CAPTURE FRAMES_DIR FPS FROM TO   (inside unshare, as root)
set -eu
capture=$1 frames=$2 fps=$3 from=$4 to=$5
mount -t tmpfs -o mode=1777 tmpfs /tmp
mkdir -m 1777 /tmp/.X11-unix
Xvfb :20 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
export DISPLAY=:20 SDL_AUDIODRIVER=dummy
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$capture" --from "$from" --to "$to" --fps "$fps" --frames "$frames"
