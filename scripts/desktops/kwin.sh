# KDE's KWin 5.27 as a Wayland compositor on its virtual backend at 1920x1080, on private
# SPDX-License-Identifier: MIT
# buses; the show runs through its XWayland.

desktop_start() {
    need kwin_wayland Xwayland dbus-daemon xhost || return 1
    start_buses || { echo "no D-Bus"; return 1; }
    # The installed binary carries a file capability that this kind of container refuses
    # to execute; a plain copy runs.
    cp /usr/bin/kwin_wayland /tmp/kwin_wayland
    as_user env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland \
        /tmp/kwin_wayland --virtual --xwayland --width 1920 --height 1080 --no-lockscreen \
        >"$OUT/kwin.log" 2>&1 &
    local kwin=$!
    wait_for 60 test -S /tmp/.X11-unix/X0 ||
        { kill -0 $kwin 2>/dev/null || skip "kwin_wayland ended: $(tail -n 1 "$OUT/kwin.log")";
          echo "kwin_wayland did not start its XWayland"; return 1; }
    export DISPLAY=:0 WAYLAND_DISPLAY=wayland-0
    # XWayland lets in only its own user; the checks' X tools run as root.
    wait_for 20 as_user xhost +si:localuser:root || { echo "XWayland does not answer"; return 1; }
    sleep 2
}

desktop_shot() {
    as_user /usr/bin/python3 "$here/dbus_shot.py" kwin /tmp/shot.png && cp /tmp/shot.png "$1"
}
desktop_mode() { echo "xwayland $(x_mode)"; }
desktop_monitor() { echo "1920x1080+0+0"; }
