# Xvfb at 1920x1080 with its one mode and no window manager: a laptop's panel with nothing
# SPDX-License-Identifier: MIT
# to give the show the focus but the show itself.

desktop_start() {
    need Xvfb xwd || return 1
    start_xvfb 10 1920x1080 || return 1
    export DISPLAY=:10
}

desktop_shot() { xwd -root -silent | convert xwd:- "$1"; }
desktop_mode() { x_mode; }
desktop_monitor() { echo "1920x1080+0+0"; }
