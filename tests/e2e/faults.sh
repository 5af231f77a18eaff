#!/usr/bin/env bash
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

start_xvfb || exit 1

fresh_data() {
    rm -rf "$sandbox/data"
    cp -r "$data" "$sandbox/data"
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

fresh_data
short_show "no audio device" SDL_AUDIODRIVER=no-such-driver
grep -q "no audio device" "$sandbox/stderr" || fail "nothing said about the missing audio device"

# No data folder at all: the whole show still plays to its end, in silence, after one line.
rm -rf "$sandbox/data"
(cd "$sandbox/bin" && SDL_AUDIODRIVER=dummy exec ./kavri 2>"$sandbox/stderr") &
SHOW_PID=$!
focus_show_window >/dev/null || exit 1
wait_show 100 || fail "without data the show did not end by itself"
[ "${SHOW_RC:-1}" -eq 0 ] || fail "without data: exit code $SHOW_RC"
[ "$(wc -l <"$sandbox/stderr")" -eq 1 ] && grep -q "no data folder" "$sandbox/stderr" ||
    fail "without data: not one line saying so: $(head -n 3 "$sandbox/stderr")"
echo "no data folder: exit code $SHOW_RC, $(wc -l <"$sandbox/stderr") lines on stderr"

[ $failed -eq 0 ] && rm -rf "$sandbox"
exit $failed
