# weston at 1920x1080 through its X11 backend in a private Xvfb (its headless backend has
# SPDX-License-Identifier: MIT
# no seat, so it would focus nothing); the show runs through weston's XWayland. What the
# user sees is weston's window on that Xvfb.

OUTER=:5

desktop_start() {
    need Xvfb weston Xwayland xhost || return 1
    start_xvfb 5 1920x1080 || return 1
    as_user env DISPLAY=$OUTER weston --backend=x11-backend.so --use-pixman --xwayland \
        --width=1920 --height=1080 --debug >"$OUT/weston.log" 2>&1 &
    wait_for 20 sh -c 'ls "$XDG_RUNTIME_DIR"/wayland-? && ls /tmp/.X11-unix/X0' || { echo "weston did not start"; return 1; }
    WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-? | head -n 1)")
    export WAYLAND_DISPLAY DISPLAY=:0
    # XWayland lets in only its own user; the checks' X tools run as root.
    wait_for 20 as_user xhost +si:localuser:root || { echo "XWayland did not start"; return 1; }
}

desktop_shot() { xwd -display $OUTER -root -silent | convert xwd:- "$1"; }
desktop_mode() { echo "weston-window $(x_mode $OUTER); xwayland $(x_mode)"; }
desktop_monitor() { echo "1920x1080+0+0"; }
