# sway (wlroots) on its headless backend at 1920x1080; the show runs through XWayland.

desktop_start() {
    need sway grim Xwayland xhost || return 1
    cat >/tmp/sway.conf <<'CONF'
xwayland force
output * resolution 1920x1080 position 0 0
CONF
    as_user env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c /tmp/sway.conf >"$OUT/sway.log" 2>&1 &
    wait_for 20 sh -c 'ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock' || { echo "sway did not start"; return 1; }
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n 1)
    export SWAYSOCK WAYLAND_DISPLAY=wayland-1 DISPLAY=:0
    # XWayland lets in only its own user; the checks' X tools run as root.
    wait_for 20 as_user xhost +si:localuser:root || { echo "XWayland did not start"; return 1; }
}

desktop_shot() { grim "$1"; }
desktop_mode() {
    echo "$(swaymsg -t get_outputs -r | python3 -c '
import json, sys
for o in json.load(sys.stdin):
    m = o["current_mode"]
    print("%s=%dx%d@%d" % (o["name"], m["width"], m["height"], m["refresh"]), end="")'); xwayland $(x_mode)"
}
desktop_monitor() { echo "1920x1080+0+0"; }
