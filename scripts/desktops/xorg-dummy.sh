# A real Xorg server on the dummy driver with two outputs, as a desk with two monitors:
# SPDX-License-Identifier: MIT
# 1920x1080 on the left, 1280x1024 on the right, the right one the primary. Both offer
# many modes, 640x480 among them (the driver adds its own whatever the config says).

desktop_start() {
    need Xorg xrandr || return 1
    cat >/tmp/xorg-dummy.conf <<'CONF'
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3200 1080
    EndSubSection
EndSection
CONF
    Xorg :7 -config /tmp/xorg-dummy.conf -noreset -nolisten tcp \
        -logfile "$OUT/xorg.log" >/dev/null 2>&1 &
    export DISPLAY=:7
    wait_for 15 xdpyinfo || { echo "Xorg did not start"; return 1; }
    # The driver connects one output; the second gets a mode and its place by hand.
    xrandr --addmode DUMMY1 1280x1024 &&
        xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 \
               --output DUMMY1 --mode 1280x1024 --pos 1920x0 --primary || return 1
    xrandr --listmonitors
}

desktop_shot() { xwd -root -silent | convert xwd:- "$1"; }
desktop_mode() { x_mode; }
desktop_monitor() { echo "1280x1024+1920+0"; }
