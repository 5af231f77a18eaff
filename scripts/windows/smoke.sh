#!/bin/bash
# Smoke test of the cross-built libraries under Wine: builds smoke.cpp against the static
# Irrlicht and SDL2 in the deps prefix, runs it with wine64 on an Xvfb of its own in a fresh
# Wine prefix, and takes a screenshot one second in.
#
#   scripts/windows/smoke.sh [PREFIX]      (default PREFIX: build-windows/deps)
#   SMOKE_FULLSCREEN=1 scripts/windows/smoke.sh   asks the engine for the full screen at 640x480
#
# Output (the .exe, the screenshot, the program's log) goes to build-windows/smoke.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
PREFIX=$(realpath -m "${1:-$repo/build-windows/deps}")
OUT=$repo/build-windows/smoke
TRIPLE=x86_64-w64-mingw32

need=()
for p in wine64 xvfb x11-apps imagemagick pkg-config; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || need+=("$p")
done
if ((${#need[@]})); then
  [[ $(id -u) == 0 ]] || { echo "smoke.sh: run as root to install ${need[*]}" >&2; exit 1; }
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}"
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[[ -x $wine ]] || { echo "smoke.sh: wine64 not found" >&2; exit 1; }
[[ -f $PREFIX/lib/libIrrlicht.a ]] || { echo "smoke.sh: run build-deps.sh first" >&2; exit 1; }

elapsed() { awk -v s="$1" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }'; }

mkdir -p "$OUT"
echo "== building smoke.exe"
# The static link line a program needs: libraries before what they use, then Windows' own.
cflags="-I$PREFIX/include/irrlicht -I$PREFIX/include"
libs="-L$PREFIX/lib -lIrrlicht -lpng16 -lz -lvorbisfile -lvorbis -logg -lSDL2
      -lopengl32 -lgdi32 -lwinmm -limm32 -lole32 -loleaut32 -lversion -luuid -ladvapi32
      -lsetupapi -lshell32 -luser32"
echo "pkg-config --static: $(PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig \
  pkg-config --static --libs irrlicht vorbisfile)"
# shellcheck disable=SC2086
$TRIPLE-g++-posix -std=c++17 -O2 -Wall $cflags -o "$OUT/smoke.exe" "$here/smoke.cpp" $libs \
  -static -static-libgcc -static-libstdc++
$TRIPLE-objdump -p "$OUT/smoke.exe" | sed -n 's/^\tDLL Name: //p' | sort | tr '\n' ' ' |
  sed 's/^/imports: /;s/$/\n/'

# A picture for the program to load: 128x128, red to blue across, opaque.
convert -size 128x128 gradient:red-blue -rotate 90 PNG32:"$OUT/smoke.png"

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
export WINEPREFIX
WINEPREFIX=$(mktemp -d)
cleanup() {
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$fifo" "$WINEPREFIX"
}
trap cleanup EXIT
read -r -t 10 display <"$fifo" || { echo "smoke.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64

echo "== wineboot (new prefix $WINEPREFIX)"
start=$(date +%s.%N)
"$wine" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w
echo "wineboot: $(elapsed "$start") s"

echo "== running smoke.exe under Wine on $DISPLAY"
cd "$OUT"
start=$(date +%s.%N)
"$wine" smoke.exe smoke.png ${SMOKE_FULLSCREEN:+fullscreen} >smoke.log 2>&1 &
run=$!
# The screenshot is taken one second after the program starts drawing.
for _ in $(seq 100); do
  grep -q '^video: drawing' smoke.log 2>/dev/null && break
  kill -0 "$run" 2>/dev/null || break
  sleep 0.1
done
echo "drawing after $(elapsed "$start") s"
sleep 1
xwd -root -silent | convert xwd:- screenshot.png
status=0
wait "$run" || status=$?
echo "run: $(elapsed "$start") s, exit status $status"
tr -d '\r' <smoke.log
echo "screenshot: $OUT/screenshot.png"
exit "$status"
