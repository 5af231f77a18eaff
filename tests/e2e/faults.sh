#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a user's machine can throw at the show: missing and damaged data files, no audio
# device, no data folder at all. No crash, no hang, a line on stderr naming what is wrong,
# and exit code 0. The scenes are driven through every slot by kavri-capture, which loads
# and draws with the show's own code at a fixed frame rate; the show itself covers the music,
# the audio device and a whole run without any data.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
data=$bin/../data
sandbox=$(mktemp -d)
mkdir "$sandbox/bin"
cp "$bin/kavri" "$bin/kavri-capture" "$sandbox/bin/"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# No data folder at all: the whole show still plays to its end, in silence, after one line.
# It runs on an X server of its own while the cases below run, and is looked at after them.
mkdir -p "$sandbox/nodata/bin"
cp "$bin/kavri" "$sandbox/nodata/bin/"
start_xvfb || exit 1
nodata_xvfb=$XVFB_PID
nodata_started=$(now_ms)
(
    cd "$sandbox/nodata/bin" && SDL_AUDIODRIVER=dummy timeout -s KILL 100 ./kavri 2>"$sandbox/nodata.stderr"
    echo "$? $(now_ms)" >"$sandbox/nodata.end"   # its exit code, and when it ended
) &
nodata_pid=$!
trap 'pkill -P "$nodata_pid"; kill "$nodata_xvfb" 2>/dev/null; cleanup' EXIT
focus_show_window >/dev/null || exit 1

start_xvfb || exit 1

fresh_data() {
    rm -rf "$sandbox/data"
    cp -rL "$data" "$sandbox/data"   # a real copy, even of a linked data folder
}

# Draws the whole show at one frame a second; $1 names the case.
tour() {
    rm -rf "$sandbox/frames"
    timeout 120 "$sandbox/bin/kavri-capture" --fps 1 --frames "$sandbox/frames" 2>"$sandbox/stderr"
    local rc=$?
    [ "$rc" -eq 0 ] || fail "$1: kavri-capture ended with $rc: $(tail -n 3 "$sandbox/stderr")"
    [ "$(ls "$sandbox/frames" 2>/dev/null | wc -l)" -eq 71 ] || fail "$1: not every frame was drawn"
}

names_file() {   # the run's stderr names the file $2
    grep -qF "$(basename "$2")" "$sandbox/stderr" || fail "$1: nothing said about $2"
}

files=$(cd "$data" && find . -type f \( -name '*.png' -o -name '*.obj' -o -name '*.mtl' \) | sort)

# Each file missing in turn.
for f in $files; do
    fresh_data
    rm "$sandbox/data/$f"
    tour "missing $f"
    names_file "missing $f" "$f"
done
echo "each of $(echo "$files" | wc -l) files missing in turn: done"

# Every file damaged the same way at once.
for damage in truncated garbage empty; do
    fresh_data
    for f in $files; do
        case $damage in
            truncated) head -c $(( $(stat -c %s "$data/$f") / 2 )) "$data/$f" >"$sandbox/data/$f" ;;
            garbage) head -c 3000 /dev/urandom >"$sandbox/data/$f" ;;
            empty) : >"$sandbox/data/$f" ;;
        esac
    done
    tour "$damage files"
    if [ "$damage" != truncated ]; then
        for f in $files; do
            case $f in *.mtl) ;; *) names_file "$damage $f" "$f" ;; esac
        done
    fi
    echo "$damage files: done"
done

# Files that are not files, and pictures that declare gigabytes: each is refused before it
# is read, with a line naming it, and the show is drawn to its end without it. Memory is
# limited to 3 GB of address space, which a decoded bomb would exceed.
fresh_data
d=$sandbox/data
python3 "$(dirname "$0")/hostile_png.py" "$d/textures/katze.png" 1525 704093 8 6 64   # w*h*4 wraps
python3 "$(dirname "$0")/hostile_png.py" "$d/textures/starticle.png" 30000 30000 1 0 0   # 107 KB bomb
for f in textures/veko.png textures/blood.png models/shape_1a.obj; do rm "$d/$f"; mkfifo "$d/$f"; done
rm "$d/models/town_04.obj"; mkdir "$d/models/town_04.obj"
truncate -s 30G "$d/models/arks3.obj"
truncate -s 100G "$d/models/arks5.mtl"
(ulimit -v 3000000; tour "files that are not files")
for f in katze.png starticle.png veko.png blood.png shape_1a.obj town_04.obj arks3.obj arks5.mtl; do
    names_file "not a file: $f" "$f"
done
grep -q "1525x704093" "$sandbox/stderr" || fail "the wrapping picture's size is not given"
echo "files that are not files: done"

# Material files named by absolute paths (a directory, a named pipe), and a texture name
# that would drive the terminal: refused or escaped.
fresh_data
mkdir "$sandbox/not-a-file.mtl"
mkfifo "$sandbox/pipe.mtl"
sed -i "s|^mtllib .*|mtllib $sandbox/not-a-file.mtl|" "$d/models/arks3.obj"
sed -i "s|^mtllib .*|mtllib $sandbox/pipe.mtl|" "$d/models/arks5.obj"
printf 'newmtl star0\nmap_Kd \033]2;owned\a\033[2J.png\n' >"$d/models/shape_1a.mtl"
tour "absolute material paths"
names_file "absolute mtllib" "not-a-file.mtl"
names_file "absolute mtllib" "pipe.mtl"
if grep -q "$(printf '\033')" "$sandbox/stderr"; then fail "an escape sequence reached the terminal"; fi
grep -qF '\x1b]2;owned\x07\x1b[2J.png' "$sandbox/stderr" || fail "the escaped texture name is not named"
echo "absolute material paths, escape sequences: done"

# Pictures that load and draw correctly print nothing, interlaced or not.
fresh_data
for f in $(cd "$d" && find . -name '*.png'); do convert "$d/$f" -interlace PNG "$d/$f"; done
tour "interlaced pictures"
[ ! -s "$sandbox/stderr" ] || fail "interlaced pictures: the run printed $(head -n 3 "$sandbox/stderr")"
echo "interlaced pictures: done"

# The show itself: Escape after a few seconds.
short_show() {   # short_show CASE [ENV...]
    local name=$1
    shift
    (cd "$sandbox/bin" && exec env "$@" ./kavri 2>"$sandbox/stderr") &
    SHOW_PID=$!
    focus_show_window >/dev/null || { fail "$name: no window"; kill -9 "$SHOW_PID"; SHOW_PID=; return; }
    sleep 3
    xdotool key Escape
    wait_show 10 || { fail "$name: the show did not end after Escape"; return; }
    [ "$SHOW_RC" -eq 0 ] || fail "$name: exit code $SHOW_RC"
}

fresh_data
echo "this is not Ogg Vorbis" >"$sandbox/data/stream/zaza.ogg"
short_show "music not Ogg Vorbis" SDL_AUDIODRIVER=dummy
grep -q "cannot play the music" "$sandbox/stderr" || fail "nothing said about the bad music file"
: >"$sandbox/data/stream/zaza.ogg"
short_show "music empty" SDL_AUDIODRIVER=dummy
grep -q "cannot play the music" "$sandbox/stderr" || fail "nothing said about the empty music file"

# The music a named pipe with no writer: the show must not wait for it.
fresh_data
rm "$sandbox/data/stream/zaza.ogg"
mkfifo "$sandbox/data/stream/zaza.ogg"
short_show "music a named pipe" SDL_AUDIODRIVER=dummy
grep -q "zaza.ogg" "$sandbox/stderr" || fail "nothing said about the music that is a named pipe"

# A damaged page early in the music costs a glitch, not the rest of the music.
fresh_data
python3 - "$sandbox/data/stream/zaza.ogg" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
at = len(data) // 100
data[at:at + 3000] = bytes((i * 151 + 7) & 0xff for i in range(3000))
open(path, "wb").write(bytes(data))
PY
short_show "damaged music" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$sandbox/heard.raw"
grep -q "zaza.ogg.*damaged stretch" "$sandbox/stderr" || fail "nothing said about the damaged music"
python3 - "$sandbox/heard.raw" <<'PY' || fail "damaged music: silence after the damaged stretch"
import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
last = samples[-44100:]   # the last quarter second, both channels
sys.exit(0 if len(samples) > 4 * 44100 and max(abs(s) for s in last) > 1000 else 1)
PY

# Started with stderr closed: the message about a missing file must not land in the X
# connection, which would then take descriptor 2.
fresh_data
rm "$sandbox/data/textures/katze.png"
(cd "$sandbox/bin" && exec env SDL_AUDIODRIVER=dummy ./kavri 2>&-) &
SHOW_PID=$!
if focus_show_window >/dev/null; then
    sleep 3
    xdotool key Escape
    wait_show 10 || fail "stderr closed: the show did not end after Escape"
    [ "${SHOW_RC:-1}" -eq 0 ] || fail "stderr closed: exit code $SHOW_RC"
else
    fail "stderr closed: no window"
fi

fresh_data
short_show "no audio device" SDL_AUDIODRIVER=no-such-driver
grep -q "no audio device" "$sandbox/stderr" || fail "nothing said about the missing audio device"

# The show without data, started first: its end, waited for if need be.
wait "$nodata_pid"
nodata_rc=none nodata_ended=$(now_ms)
[ -s "$sandbox/nodata.end" ] && read -r nodata_rc nodata_ended <"$sandbox/nodata.end"
took=$(( nodata_ended - nodata_started ))
[ "$nodata_rc" = 0 ] || fail "without data: exit code $nodata_rc"
[ "$took" -le 90000 ] || fail "without data the show did not end by itself (${took} ms)"
[ "$(wc -l <"$sandbox/nodata.stderr")" -eq 1 ] && grep -q "no data folder" "$sandbox/nodata.stderr" ||
    fail "without data: not one line saying so: $(head -n 3 "$sandbox/nodata.stderr")"
echo "no data folder: exit code $nodata_rc after $took ms, $(wc -l <"$sandbox/nodata.stderr") lines on stderr"
kill "$nodata_xvfb" 2>/dev/null

[ $failed -eq 0 ] && rm -rf "$sandbox"
exit $failed
