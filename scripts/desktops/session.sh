#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One desktop, run privately and checked: check-desktops.sh starts this inside
#   unshare --mount --net --pid --fork --mount-proc --kill-child
# so that the desktop's X displays, sockets and buses are its own, and everything it started
# ends with it. As root:
#
#   session.sh DESKTOP OUT_DIR KAVRI FRAMES_DIR FPS
#
# Sources desktops/DESKTOP.sh for the desktop's own start, screenshot and screen mode, and
# checks.sh for the checks; writes its verdict line to OUT_DIR/result.
set -u
here=$(cd "$(dirname "$0")" && pwd)
desktop=$1 OUT=$2 KAVRI=$3 FRAMES=$4 FPS=$5
mkdir -p "$OUT"

# A fresh /tmp (X sockets, runtime folder, home) and no view of the host's logind.
mount -t tmpfs -o mode=1777 tmpfs /tmp
mkdir -m 1777 /tmp/.X11-unix /tmp/.ICE-unix
[ -d /run/systemd ] && mount -t tmpfs tmpfs /run/systemd
[ -d /run/dbus ] && mount -t tmpfs tmpfs /run/dbus
ip link set lo up 2>/dev/null || true

export HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chown nobody:nogroup "$HOME" "$XDG_RUNTIME_DIR"
chmod 0700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS \
    XDG_SESSION_TYPE XDG_CURRENT_DESKTOP XDG_SESSION_ID SESSION_MANAGER
export LANG=C.UTF-8

. "$here/common.sh"
. "$here/$desktop.sh"
. "$here/checks.sh"

if ! desktop_start >"$OUT/start.log" 2>&1; then
    if [ -n "${SKIP_REASON:-}" ]; then
        verdict SKIP "$SKIP_REASON"
    else
        verdict FAIL "the desktop did not start: $(tail -n 3 "$OUT/start.log" | tr '\n' ' ')"
    fi
    exit 0
fi
run_checks
