# Xvfb at 1920x1080 with openbox, a window manager that speaks EWMH.

desktop_start() {
    need Xvfb openbox || return 1
    start_xvfb 10 1920x1080 || return 1
    export DISPLAY=:10
    as_user openbox >"$OUT/openbox.log" 2>&1 &
    wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { echo "openbox did not come up"; return 1; }
}

desktop_shot() { xwd -root -silent | convert xwd:- "$1"; }
desktop_mode() { x_mode; }
desktop_monitor() { echo "1920x1080+0+0"; }
