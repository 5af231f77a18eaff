#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The data folder as users keep it, and as it changes while the program starts.
# 1. A data folder that is a symbolic link to a folder of another name, with linked files in
#    it: kavri-capture draws what it draws from the real folder, the show plays its music, and
#    nothing is said.
# 2. Names flipped in a loop while kavri-capture starts, by flip_links, which swaps symbolic
#    links as fast as it can: a name that is now missing, now a named pipe without a writer;
#    material files that are now good, now 32 MB of one-letter lines (each a material for the
#    engine: gigabytes). Every start must end by itself, with exit code 0, within 1 GB of
#    address space.
# Arguments: the bin folder, the flip_links program; with a third, "count", it makes every
# start and prints how many failed, without the show.
set -u
. "$(dirname "$0")/lib.sh"
bin=$1
flipper=$2
mode=${3:-test}
data=$bin/../data
sandbox=$(mktemp -d)
mkdir "$sandbox/bin"
cp "$bin/kavri" "$bin/kavri-capture" "$sandbox/bin/"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
FLIPPER_PIDS=
stop_flippers() {
    [ -n "$FLIPPER_PIDS" ] && kill $FLIPPER_PIDS 2>/dev/null && wait $FLIPPER_PIDS 2>/dev/null
    FLIPPER_PIDS=
}
trap 'stop_flippers; cleanup' EXIT

fresh_data() {   # a real copy of the data folder, at $sandbox/data
    rm -rf "$sandbox/data" "$sandbox/store"
    cp -rL "$data" "$sandbox/data"
}

# capture NAME [OPTIONS...]: one short capture from the sandbox's bin folder into frames/NAME,
# stderr in err/NAME; its exit code (124 or 137: it did not end within 20 s).
capture() {
    local name=$1
    shift
    mkdir -p "$sandbox/err"
    rm -rf "$sandbox/frames/$name"
    (cd "$sandbox/bin" && ulimit -v 1000000 &&
        exec timeout -k 2 20 ./kavri-capture --software --frames "$sandbox/frames/$name" "$@" 2>"$sandbox/err/$name")
}

# --- 1. A linked data folder, linked files in it -------------------------------------------

fresh_data
capture reference --scene shape2 --fps 2 --to 2 || fail "reference: exit code $?"
mkdir "$sandbox/store"
mv "$sandbox/data" "$sandbox/store/kavri-art"
ln -s store/kavri-art "$sandbox/data"
art=$sandbox/store/kavri-art
mv "$art/textures/veko.png" "$sandbox/store/veko.png"
ln -s ../../veko.png "$art/textures/veko.png"
mv "$art/models/arks3.mtl" "$sandbox/store/arks3.mtl"
ln -s "$sandbox/store/arks3.mtl" "$art/models/arks3.mtl"
capture linked --scene shape2 --fps 2 --to 2 || fail "linked data folder: exit code $?"
[ ! -s "$sandbox/err/linked" ] || fail "linked data folder: kavri-capture said $(head -n 3 "$sandbox/err/linked")"
for frame in "$sandbox/frames/reference/"*; do
    cmp -s "$frame" "$sandbox/frames/linked/$(basename "$frame")" ||
        { fail "linked data folder: $(basename "$frame") differs from the one drawn from a real folder"; break; }
done

if [ "$mode" = test ]; then
    start_xvfb || exit 1
    (cd "$sandbox/bin" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$sandbox/heard.raw" exec ./kavri --window \
        2>"$sandbox/err/show") &
    SHOW_PID=$!
    if focus_show_window >/dev/null; then
        sleep 3
        xdotool key Escape
        wait_show 10 || fail "linked data folder: the show did not end after Escape"
        [ "${SHOW_RC:-1}" -eq 0 ] || fail "linked data folder: the show's exit code ${SHOW_RC:-}"
    else
        fail "linked data folder: no window"
    fi
    said=$(grep -v '^CRITICAL: ' "$sandbox/err/show")   # but SDL's notes on its disk audio driver
    [ -z "$said" ] || fail "linked data folder: the show said $(echo "$said" | head -n 3)"
    python3 - "$sandbox/heard.raw" <<'PY' || fail "linked data folder: the show played no music"
import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
sys.exit(0 if len(samples) > 4 * 44100 and max(abs(s) for s in samples) > 1000 else 1)
PY
fi
echo "linked data folder: done"

# --- 2. Names flipped while the program starts ---------------------------------------------

# flip NAME TARGET TARGET [...]: flip_links in the background, until stop_flippers.
flip() {
    "$flipper" "$@" &
    FLIPPER_PIDS="$FLIPPER_PIDS $!"
}

# starts CASE COUNT: starts kavri-capture COUNT times while the links flip; in a test, stops at
# the first start that fails. Sets STARTS_FAILED.
starts() {
    local name=$1 count=$2 i rc
    STARTS_FAILED=0
    for i in $(seq 1 "$count"); do
        capture "$name" --scene shape2 --fps 1 --to 1
        rc=$?
        if [ "$rc" -ne 0 ] || [ "$(ls "$sandbox/frames/$name" 2>/dev/null | wc -l)" -ne 1 ]; then
            STARTS_FAILED=$((STARTS_FAILED + 1))
            [ "$mode" = test ] && { fail "$name: start $i of $count: exit code $rc: $(tail -n 2 "$sandbox/err/$name")"; return; }
        fi
    done
    [ "$mode" = count ] && echo "$name: $STARTS_FAILED of $count starts failed"
}

# Missing, then a named pipe without a writer: nothing may open such a name past the gate,
# which would wait for a writer for ever. The folders of the pictures and models are reached
# through a chain of links to deep folders: resolving a name takes a while, as on a slow disk,
# which widens the moment between two looks at a name.
fresh_data
d=$sandbox/data
mkfifo "$sandbox/pipe"
deep=$sandbox/deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o
mkdir -p "$deep"
for folder in textures models; do
    mv "$d/$folder" "$sandbox/$folder"
    previous=$sandbox/$folder
    for i in $(seq 1 30); do
        ln -s "$previous" "$deep/$folder-$i"
        previous=$deep/$folder-$i
    done
    ln -s "$previous" "$d/$folder"
done
links=
for f in $(cd "$sandbox" && ls textures/*.png models/*.obj); do
    rm "$sandbox/$f"
    links="$links $sandbox/$f $sandbox/pipe $sandbox/not-there"
done
flip $links
starts "missing or a pipe" 20
stop_flippers
echo "missing or a named pipe: done"

# Good material files, then 32 MB of one-letter lines, each a material for the engine (some
# gigabytes): what the engine reads must be what was checked. The models name their material
# files last, so that the engine reads them a while after the check did.
fresh_data
python3 -c 'import sys; open(sys.argv[1], "w").write("n\n" * (16 << 20))' "$sandbox/bomb.mtl"
links=
for m in arks3 arks5 shape_1a town_04; do
    sed -i '/^mtllib/d' "$d/models/$m.obj"
    echo "mtllib $m.mtl" >>"$d/models/$m.obj"
    mv "$d/models/$m.mtl" "$sandbox/$m.mtl"
    links="$links $d/models/$m.mtl $sandbox/$m.mtl $sandbox/bomb.mtl"
done
flip $links
starts "material files swapped" 16
stop_flippers
echo "material files swapped: done"

[ $failed -eq 0 ] && rm -rf "$sandbox"
exit $failed
