# GNOME Shell (Debian 12's default desktop), headless with a virtual 1920x1080 monitor, on
# SPDX-License-Identifier: MIT
# private buses; the show runs through its XWayland.

desktop_start() {
    need gnome-shell Xwayland dbus-daemon gdbus || return 1
    start_buses || { echo "no D-Bus"; return 1; }
    # Without this file a banner about screen locking stays over fullscreen windows.
    as_user mkdir -p "$HOME/.local/share/gnome-shell"
    as_user touch "$HOME/.local/share/gnome-shell/lock-warning-shown"
    as_user env GSETTINGS_BACKEND=memory XDG_SESSION_TYPE=wayland \
        gnome-shell --headless --wayland --virtual-monitor 1920x1080 >"$OUT/gnome-shell.log" 2>&1 &
    local shell=$!
    wait_for 60 sh -c 'ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* && test -S /tmp/.X11-unix/X0' ||
        { kill -0 $shell 2>/dev/null || skip "gnome-shell ended: $(tail -n 1 "$OUT/gnome-shell.log")"; 
          echo "gnome-shell did not start its XWayland"; return 1; }
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* | head -n 1)
    export XAUTHORITY DISPLAY=:0 WAYLAND_DISPLAY=wayland-0
    # It opens the overview at start (after its start-up animation); a user closes it
    # before starting a program.
    local closed=0
    for _ in $(seq 1 30); do
        as_user gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
            --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' >/dev/null 2>&1
        sleep 1
        if overview_closed; then closed=$((closed + 1)); else closed=0; fi
        [ $closed -ge 2 ] && return 0
    done
    echo "the overview did not close"
    return 1
}

overview_closed() {
    as_user gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive 2>/dev/null |
        grep -q false
}

desktop_shot() {
    local file=/tmp/shot-$$.png
    as_user /usr/bin/python3 "$here/dbus_shot.py" gnome "$file" && cp "$file" "$1" && rm -f "$file"
}
desktop_mode() {
    local mutter=
    for _ in 1 2 3; do   # a busy shell may let one call time out
        mutter=$(as_user /usr/bin/python3 "$here/dbus_shot.py" gnome-mode 2>/dev/null) && break
    done
    echo "mutter ${mutter:-(no answer)}; xwayland $(x_mode)"
}
desktop_monitor() { echo "1920x1080+0+0"; }
