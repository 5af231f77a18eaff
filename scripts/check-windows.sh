#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves the Windows build under Wine, on a Debian 12 machine, as root: installs MinGW-w64,
# Wine and what the checks need with apt-get, builds the libraries and kavri.exe from this
# tree (scripts/windows/build.sh --tests), runs the cross-built unit tests under Wine, then
# the release archive's kavri.exe under Wine on a private Xvfb of 1920x1080 with no window
# manager:
#   show     the window appears; a screenshot at about 5 s shows the first scene's picture,
#            scaled at 4:3 (1440x1080, centred), equal to the Linux kavri-capture frame of
#            that moment when read back at each picture pixel's centre (as
#            scripts/check-desktops.sh checks the Linux show); Escape ends it with 0
#   close    closing the window (WM_CLOSE, as the close button or Alt+F4) ends it with 0
#   logoff   the session's end (WM_QUERYENDSESSION, WM_ENDSESSION) ends it with 0
#   no-data  without a data folder it says so and ends cleanly (Escape, 0)
#   sound    the music is heard: through Wine's PulseAudio driver into a private PulseAudio
#            server's null sink, recorded
#   no-sound with Wine's sound drivers off it plays silently instead of failing
#   fifo     a named pipe in place of a texture and of the music: refused, no hang
#   log      kavri.log is written anew each run: after a good run, nothing of the last one's
#   deep     unpacked more than 260 characters deep: the data is found, kavri.log is beside
#            kavri.exe
#   devices  unpacked below folders named like devices with an extension (aux.demos, con.d,
#            Nul.backup): every picture is read
# Prints one line per check, the total and the time taken; exit code 1 if a check failed.
#
#   scripts/check-windows.sh [--no-build] [--keep]
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build=1 keep=0
for arg in "$@"; do
    case $arg in
        --no-build) build=0 ;;
        --keep) keep=1 ;;
        -h|--help) sed -n '2,/^set -u/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "check-windows.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done
[ "$(id -u)" -eq 0 ] || { echo "check-windows.sh: run it as root (apt-get)" >&2; exit 1; }
began=$(date +%s)

packages=(wine wine64 xvfb x11-utils xdotool imagemagick python3-pil python3-numpy pulseaudio pulseaudio-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ $build -eq 1 ]; then
    "$repo/scripts/windows/build.sh" --tests || { echo "check-windows.sh: the build failed" >&2; exit 1; }
fi
built=$(date +%s)

out=$(mktemp -d /tmp/kavri-windows.XXXXXX)
xvfb= pulse=
finish() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    kill $xvfb $pulse 2>/dev/null
    [ $keep -eq 1 ] || rm -rf "$out"
}
trap finish EXIT
stage=$(ls -d "$repo"/build-windows/stage/kavri-*-windows-x64 | head -n 1)
tests=$repo/build-windows/kavri/bin/kavri_tests.exe

mkfifo "$out/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$out/displayfd" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$out/displayfd"
export DISPLAY=:$display WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all

# A private sound server with a null sink, which Wine's PulseAudio driver plays into.
export XDG_RUNTIME_DIR=$out/runtime HOME=$out/home
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no --disallow-module-loading \
    --load="module-native-protocol-unix" --load="module-null-sink sink_name=show rate=44100" \
    >"$out/pulseaudio.log" 2>&1 &
pulse=$!
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done

t=$(date +%s%3N)
wineboot -i >/dev/null 2>&1
wineserver -w
echo "wineboot: $(( $(date +%s%3N) - t )) ms (a new Wine prefix)"

CAPTION='^Kavri D3D8 window$'
passed=0 failed=0
verdict() {   # verdict NAME OK DETAILS
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); echo "$1: PASS $3"; else failed=$((failed + 1)); echo "$1: FAIL $3"; fi
}

# start_show LABEL FOLDER [arguments]: kavri.exe started in FOLDER as Explorer would start it.
start_show() {
    local label=$1 folder=$2
    shift 2
    STARTED=$(date +%s%3N)
    (cd "$folder" && exec wine kavri.exe "$@" >"$out/$label.out" 2>"$out/$label.err") &
    SHOW=$!
}
find_window() {
    local id
    for _ in $(seq 1 300); do
        id=$(xdotool search --name "$CAPTION" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$SHOW" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
wait_show() {   # wait_show SECONDS: sets RC to the show's exit code, or "running" (then kills it)
    RC=running
    for _ in $(seq 1 $(( $1 * 10 ))); do
        if ! kill -0 "$SHOW" 2>/dev/null; then
            wait "$SHOW"
            RC=$?
            return
        fi
        sleep 0.1
    done
    kill -9 "$SHOW" 2>/dev/null
    wineserver -k 2>/dev/null
}
escape() { xdotool key --window "$1" Escape 2>/dev/null || xdotool key Escape; }

# 1. The unit tests, cross-built.
(cd "$(dirname "$tests")" && wine "$tests" --gtest_brief=1 >"$out/tests.log" 2>&1)
rc=$?
verdict unit-tests $rc "$(grep -E '^\[  (PASSED|FAILED) ' "$out/tests.log" | tr '\n' ' ')exit=$rc"

# The Linux capture's frames of the same moments (1 to 7.4 s: Wine starts in 1 to 3 s), drawn with OpenGL.
SDL_AUDIODRIVER=dummy "$repo/build/bin/kavri-capture" --from 1.0 --to 7.4 --fps 60 --frames "$out/frames" \
    >"$out/capture.log" 2>&1 || { echo "check-windows.sh: kavri-capture failed"; cat "$out/capture.log"; exit 1; }

# 2. The show, fullscreen, as started by a double click in bin\.
start_show show "$stage/bin"
if id=$(find_window); then
    wait=$(( STARTED + 5000 - $(date +%s%3N) ))
    [ $wait -gt 0 ] && sleep "$(awk -v m=$wait 'BEGIN { print m / 1000 }')"
    import -window root "$out/show.png"
    geometry=$(xwininfo -id "$id" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print w "x" h "+" x "+" y }')
    found=$(/usr/bin/python3 "$repo/scripts/desktops/picture.py" "$out/show.png" 1920x1080+0+0 "$out/frames" 60 --window "$geometry" 2>&1)
    ok=$?
    escape "$id"
    wait_show 10; rc=$RC
    [ "$rc" = 0 ] || ok=1
    verdict show $ok "$found escape=exit$rc"
else
    verdict show 1 "no window ($(head -c 300 "$out/show.err" | tr '\n' ' '))"
    wait_show 1
fi

# 3. Closing the window: WM_CLOSE, as the close button and Alt+F4 send it.
start_show close "$stage/bin"
if id=$(find_window); then
    sleep 2
    wine taskkill /im kavri.exe >/dev/null 2>&1
    wait_show 10; rc=$RC
    verdict close $([ "$rc" = 0 ] && echo 0 || echo 1) "exit=$rc"
else
    verdict close 1 "no window"
    wait_show 1
fi

# The session's end, as at a logoff (Wine's wineboot --end-session).
start_show logoff "$stage/bin"
if id=$(find_window); then
    sleep 2
    wineboot --end-session >/dev/null 2>&1
    wait_show 10; rc=$RC
    verdict logoff $([ "$rc" = 0 ] && echo 0 || echo 1) "exit=$rc"
else
    verdict logoff 1 "no window"
    wait_show 1
fi

# 4. No data folder: the program alone.
mkdir -p "$out/alone/bin"
cp "$stage/bin/kavri.exe" "$out/alone/bin/"
start_show no-data "$out/alone/bin"
if id=$(find_window); then
    sleep 2
    escape "$id"
    wait_show 10; rc=$RC
    said=$(grep -c "found no data folder" "$out/no-data.err")
    verdict no-data $([ "$rc" = 0 ] && [ "$said" -ge 1 ] && echo 0 || echo 1) "exit=$rc said=\"$(head -n 1 "$out/no-data.err" | cut -c 1-110)\""
else
    verdict no-data 1 "no window ($(head -c 300 "$out/no-data.err" | tr '\n' ' '))"
    wait_show 1
fi

# 5. The music, heard: the sink recorded from 2 to 6 s after the window appeared.
start_show sound "$stage/bin"
if id=$(find_window); then
    sleep 2
    timeout 4 parec -d show.monitor --format=s16le --channels=1 --rate=44100 --raw >"$out/sound.raw" 2>/dev/null
    escape "$id"
    wait_show 10; rc=$RC
    level=$(/usr/bin/python3 -c "
import sys, numpy as np
a = np.fromfile(sys.argv[1], dtype='<i2').astype(float)
print(int(np.sqrt(np.mean(a * a))) if a.size else 0)" "$out/sound.raw")
    verdict sound $([ "$rc" = 0 ] && [ "$level" -gt 300 ] && echo 0 || echo 1) "exit=$rc music-rms=$level (silence is 0) $(grep -h "audio" "$out/sound.err" | head -n 1)"
else
    verdict sound 1 "no window ($(head -c 300 "$out/sound.err" | tr '\n' ' '))"
    wait_show 1
fi

# 6. No sound device: Wine's sound drivers switched off.
WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv=d" start_show no-sound "$stage/bin"
if id=$(find_window); then
    sleep 3
    escape "$id"
    wait_show 10; rc=$RC
    verdict no-sound $([ "$rc" = 0 ] && echo 0 || echo 1) "exit=$rc said=\"$(head -n 1 "$out/no-sound.err" | cut -c 1-110)\""
else
    verdict no-sound 1 "no window ($(head -c 300 "$out/no-sound.err" | tr '\n' ' '))"
    wait_show 1
fi

# 7. Named pipes in place of a texture and of the music (a Unix FIFO, as Wine shows it).
mkdir -p "$out/fifo"
cp -r "$stage/bin" "$stage/data" "$out/fifo/"
texture=$(cd "$out/fifo/data" && ls textures/*.png | head -n 1)
rm "$out/fifo/data/$texture" "$out/fifo/data/stream/zaza.ogg"
mkfifo "$out/fifo/data/$texture" "$out/fifo/data/stream/zaza.ogg"
start_show fifo "$out/fifo/bin"
if id=$(find_window); then
    sleep 3
    escape "$id"
    wait_show 10; rc=$RC
    # Both are named in kavri.log: the texture and the music.
    refused=$(grep -c "named pipe" "$out/fifo/bin/kavri.log" 2>/dev/null)
    verdict fifo $([ "$rc" = 0 ] && [ "$refused" -ge 2 ] && echo 0 || echo 1) "exit=$rc refused=$refused: $(grep -h "named pipe" "$out/fifo/bin/kavri.log" | sed 's/.*data.//' | cut -c 1-60 | tr '\n' ' ')"
else
    verdict fifo 1 "no window or hung ($(head -c 300 "$out/fifo.err" | tr '\n' ' '))"
    wait_show 1
fi

# 8. A run that has nothing to say leaves a kavri.log of its own, not the last run's.
mkdir -p "$out/relog"
cp -r "$stage/bin" "$stage/data" "$out/relog/"
printf 'kavri: the file is missing: a line of an earlier run\r\n' >"$out/relog/bin/kavri.log"
start_show log "$out/relog/bin"
if id=$(find_window); then
    sleep 2
    escape "$id"
    wait_show 10; rc=$RC
    stale=$(grep -c "an earlier run" "$out/relog/bin/kavri.log" 2>/dev/null)
    verdict log $([ "$rc" = 0 ] && [ -f "$out/relog/bin/kavri.log" ] && [ "$stale" = 0 ] && echo 0 || echo 1) "exit=$rc earlier-lines=$stale said=\"$(head -n 1 "$out/log.err" | cut -c 1-80)\""
else
    verdict log 1 "no window ($(head -c 300 "$out/log.err" | tr '\n' ' '))"
    wait_show 1
fi

# The show unpacked into FOLDER ($2) and run there as label $1: it must find its data and say
# nothing about it. Sets OK and DETAILS.
run_unpacked() {
    local label=$1 folder=$2
    mkdir -p "$folder"
    cp -r "$stage/bin" "$stage/data" "$folder/"
    rm -f "$folder/bin/kavri.log"   # an earlier check's
    start_show "$label" "$folder/bin"
    OK=1 DETAILS="no window ($(head -c 300 "$out/$label.err" | tr '\n' ' '))"
    if id=$(find_window); then
        sleep 2
        escape "$id"
        wait_show 10; rc=$RC
        said=$(grep -c -E "data folder|show's files|left out|missing" "$out/$label.err")
        [ "$rc" = 0 ] && [ "$said" = 0 ] && OK=0
        DETAILS="exit=$rc lines-about-files=$said $(grep -E "data folder|show's files|left out|missing" "$out/$label.err" | head -n 1 | cut -c 1-100)"
    else
        wait_show 1
    fi
}

# 9. More than 260 characters deep: the data beside the program, kavri.log beside kavri.exe.
deep=$out/deep
for i in 1 2 3 4 5; do deep=$deep/a-folder-with-a-long-name-as-users-have-them-$i; done
run_unpacked deep "$deep"
logged=$(cd "$out/deep" && find . -name kavri.log | sed 's|a-folder-with-a-long-name-as-users-have-them-|*|g')
[ "$logged" = "./*1/*2/*3/*4/*5/bin/kavri.log" ] || OK=1
verdict deep $OK "$DETAILS folder=$(echo -n "Z:$deep" | wc -c) characters, kavri.log at ${logged:-nowhere}"

# 10. Below folders named like devices, with an extension: only a name's last part can be one.
run_unpacked devices "$out/aux.demos/con.d/Nul.backup"
verdict devices $OK "$DETAILS"

echo "windows: $passed passed, $failed failed (build $(( built - began )) s, checks $(( $(date +%s) - built )) s)"
[ $keep -eq 1 ] && echo "kept: $out"
[ $failed -eq 0 ]
