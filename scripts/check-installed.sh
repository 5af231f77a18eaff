#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs inside a root where only the kavri package (and Xvfb, xdotool, ImageMagick) was
# installed; check-package.sh copies it there. $1 is the X display number to use.
# The installed kavri, started by name from /tmp: its window opens, the picture at 5 s is not
# black, Escape ends it with 0. Then kavri-capture writes one second of a scene as PNG files.
# Last, the install copied elsewhere as it is laid out (games/, bin/, share/games/kavri/data)
# reads the data beside it, not the package's.
set -u
display=:${1:-58}
fail() { echo "FAIL: $*"; exit 1; }

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "${show:-}" ] && kill -9 $show 2>/dev/null' EXIT
export DISPLAY=$display SDL_AUDIODRIVER=dummy
for _ in $(seq 1 100); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done

cd /tmp
command -v kavri >/dev/null || fail "kavri is not on the PATH"
echo "$(command -v kavri): $(kavri --version)"
kavri 2>/tmp/kavri.err &
show=$!
started=$(date +%s%3N)
id=
for _ in $(seq 1 600); do
    id=$(xdotool search --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    kill -0 $show 2>/dev/null || break
    sleep 0.05
done
[ -n "$id" ] || fail "no window opened; kavri said: $(cat /tmp/kavri.err)"
xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
echo "window open after $(( $(date +%s%3N) - started )) ms"
sleep 5
import -window root /tmp/at5s.png || fail "no screenshot"
mean=$(convert /tmp/at5s.png -colorspace Gray -format '%[fx:mean]' info:)
echo "picture at 5 s: mean brightness $mean"
awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }' || fail "the picture at 5 s is black"
xdotool key --window "$id" Escape 2>/dev/null || xdotool key Escape
for _ in $(seq 1 100); do
    kill -0 $show 2>/dev/null || break
    sleep 0.05
done
kill -0 $show 2>/dev/null && fail "Escape did not end the show"
wait $show
rc=$?
show=
[ "$rc" -eq 0 ] || fail "kavri ended with $rc after Escape: $(cat /tmp/kavri.err)"
[ -s /tmp/kavri.err ] && fail "kavri printed: $(cat /tmp/kavri.err)"
echo "Escape: exit code 0, nothing on stderr"

rm -rf /tmp/frames
kavri-capture --software --scene EfxShape5 --to 1 --frames /tmp/frames 2>/tmp/capture.err ||
    fail "kavri-capture failed: $(cat /tmp/capture.err)"
frames=$(ls /tmp/frames | wc -l)
[ "$frames" -eq 60 ] || fail "kavri-capture wrote $frames frames, not 60"
# The software renderer notes the textures it resizes; a missing data folder is a fault.
grep -q "no data folder" /tmp/capture.err && fail "kavri-capture found no data: $(cat /tmp/capture.err)"
echo "kavri-capture: $frames frames, $(wc -l </tmp/capture.err) notes from the software renderer"
# The package's layout moved to /opt/moved: kavri-capture reads the moved data folder, as
# its one line about a picture taken out of there shows, and so does kavri.
moved=/opt/moved
rm -rf "$moved"
mkdir -p "$moved/games" "$moved/bin" "$moved/share/games/kavri"
cp /usr/games/kavri "$moved/games/"
cp /usr/bin/kavri-capture "$moved/bin/"
cp -r /usr/share/games/kavri/data "$moved/share/games/kavri/"
rm "$moved/share/games/kavri/data/textures/katze1.png"
rm -rf /tmp/frames
"$moved/bin/kavri-capture" --software --scene EfxShape5 --to 0.1 --fps 10 --frames /tmp/frames 2>/tmp/capture.err
grep -q "missing: $moved/share/games/kavri/data/textures/katze1.png" /tmp/capture.err ||
    fail "kavri-capture moved to $moved did not read its data there: $(head -n 3 /tmp/capture.err)"
id=
"$moved/games/kavri" --window 2>/tmp/kavri.err &
show=$!
for _ in $(seq 1 600); do
    id=$(xdotool search --name '^Kavri D3D8 window$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.05
done
[ -n "$id" ] && xdotool key --window "$id" Escape 2>/dev/null
for _ in $(seq 1 100); do
    kill -0 $show 2>/dev/null || break
    sleep 0.05
done
kill -9 $show 2>/dev/null
show=
grep -q "missing: $moved/share/games/kavri/data/textures/katze1.png" /tmp/kavri.err ||
    fail "kavri moved to $moved did not read its data there: $(head -n 3 /tmp/kavri.err)"
echo "moved to $moved: both programs read the data beside them"

# Without an X display the capture draws with OpenGL on an Xvfb of its own (a dependency).
rm -rf /tmp/frames
env -u DISPLAY kavri-capture --scene EfxShape5 --fps 10 --to 1 --frames /tmp/frames 2>/tmp/capture.err ||
    fail "kavri-capture without an X display failed: $(cat /tmp/capture.err)"
frames=$(ls /tmp/frames | wc -l)
[ "$frames" -eq 10 ] || fail "kavri-capture without an X display wrote $frames frames, not 10"
echo "kavri-capture without an X display: $frames frames"
echo "installed package: passed"
