#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show on a wide screen with no window manager (Xvfb 1920x1080, as a laptop panel with one
# mode), started as a user starts it: nobody gives it the focus.
# - fullscreen covers the screen, takes the focus itself and draws; the picture is centred at
#   4:3 (1440x1080 at x 240), black bars beside it; Escape ends it with 0; it does not even
#   look for the video mode extension (Xvfb has none, so a switch itself cannot be seen);
# - --pixel-perfect: a 1280x960 picture at (320, 60), every picture pixel an exact 2x2 block;
# - --mode-switch asks for a mode switch, but the screen has no 640x480 mode: the picture is
#   scaled over the screen instead of sitting in the corner;
# - --window: a 640x480 window that takes the focus itself and draws.
# On Xvfb's software OpenGL the show puts its picture on the window past OpenGL; fullscreen
# runs once more with KAVRI_PRESENT=gl, the way a graphics card takes.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/shots.sh"
bin=$1
spy=$2
work=$(mktemp -d)
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

start_xvfb 1920x1080 || exit 1

# run_show NAME ARGS...: starts the show with the mode switch spy and waits for its window;
# KAVRI_PRESENT passes on as $PRESENT says. Sets WINDOW.
run_show() {
    local name=$1
    shift
    (cd "$bin" && KAVRI_PRESENT=${PRESENT:-} SDL_AUDIODRIVER=dummy LD_PRELOAD="$spy${LD_PRELOAD:+:$LD_PRELOAD}" ASAN_OPTIONS=verify_asan_link_order=0 \
        VIDMODE_SPY_FILE="$work/$name.modes" exec ./kavri "$@") 2>"$work/$name.stderr" &
    SHOW_PID=$!
    WINDOW=
    for _ in $(seq 1 600); do
        WINDOW=$(xdotool search --onlyvisible --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1)
        [ -n "$WINDOW" ] && break
        sleep 0.05
    done
    [ -n "$WINDOW" ] || { fail "$name: no window"; return 1; }
}

# The bounding box of everything that is not black, as WxH+X+Y.
picture_box() { convert "$1" -format '%@' info: 2>/dev/null; }

# shows_at NAME BOX: photographs the screen into $work/NAME.png until the picture fills BOX
# (the opening scene's stripes reach every edge), for up to 10 s. Prints the last box.
shows_at() {
    local box=
    for _ in $(seq 1 20); do
        shoot "$work" "$1"
        box=$(picture_box "$work/$1.png")
        [ "$box" = "$2" ] && break
        sleep 0.5
    done
    echo "$box"
}

end_with_escape() {
    xdotool key Escape
    wait_show 10 || { fail "$1: Escape did not end the show"; kill -9 "$SHOW_PID"; SHOW_PID=; return; }
    [ "$SHOW_RC" -eq 0 ] || fail "$1: exit code $SHOW_RC after Escape"
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WINDOW" ]; }

# 1. Fullscreen, the default.
if run_show fullscreen; then
    geometry=$(xdotool getwindowgeometry "$WINDOW" | awk '/Position|Geometry/ { printf "%s ", $2 }')
    [ "$geometry" = "0,0 1920x1080 " ] || fail "fullscreen: the window is at $geometry, not over the screen"
    has_focus || fail "fullscreen: the window did not get the focus"
    box=$(shows_at fullscreen 1440x1080+240+0)
    [ "$box" = "1440x1080+240+0" ] || fail "fullscreen: the picture is at $box, not 1440x1080+240+0"
    end_with_escape fullscreen
    [ ! -s "$work/fullscreen.modes" ] || fail "fullscreen: the video mode extension was used ($(sort -u "$work/fullscreen.modes"))"
fi

# 1b. Fullscreen through OpenGL.
if PRESENT=gl run_show fullscreen-gl; then
    box=$(shows_at fullscreen-gl 1440x1080+240+0)
    [ "$box" = "1440x1080+240+0" ] || fail "fullscreen through OpenGL: the picture is at $box, not 1440x1080+240+0"
    end_with_escape fullscreen-gl
fi

# 2. Whole factors only.
if run_show pixel-perfect --pixel-perfect; then
    box=$(shows_at pixel-perfect 1280x960+320+60)
    [ "$box" = "1280x960+320+60" ] || fail "pixel-perfect: the picture is at $box, not 1280x960+320+60"
    convert "$work/pixel-perfect.png" -crop 1280x960+320+60 +repage "$work/pp-crop.png"
    convert "$work/pp-crop.png" -sample 640x480 -sample 1280x960 "$work/pp-blocks.png"
    uneven=$(compare -metric AE "$work/pp-crop.png" "$work/pp-blocks.png" null: 2>&1)
    [ "$uneven" = "0" ] || fail "pixel-perfect: $uneven pixels are not part of an even 2x2 block"
    end_with_escape pixel-perfect
fi

# 3. The mode switch asked for, on a screen without 640x480.
if run_show mode-switch --mode-switch; then
    box=$(shows_at mode-switch 1440x1080+240+0)
    [ -s "$work/mode-switch.modes" ] || fail "mode-switch: the video mode extension was not used"
    [ "$box" = "1440x1080+240+0" ] || fail "mode-switch: the picture is at $box, not scaled over the screen"
    end_with_escape mode-switch
fi

# 4. A window.
if run_show window --window; then
    sleep 4
    shoot "$work" window
    has_focus || fail "window: the window did not get the focus"
    dark=$(convert "$work/window.png" -crop 640x480+0+0 +repage -format %c histogram:info:- |
           awk -F: '/#000000/ { print $1 + 0 }')
    [ "${dark:-0}" -lt 300000 ] || fail "window: the window shows no picture"
    end_with_escape window
fi

if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "screenshots kept in $work" >&2; fi
exit $failed
