#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show's options, its manual pages, and where it finds its data: started from another
# folder it plays with its build tree's data, also beside a folder named data that holds
# none of the show's files; installed elsewhere than configured (cmake --install --prefix)
# it plays with the data installed beside it; with no data anywhere it says so in one line.
#   options_and_data.sh BIN DIST BUILD
set -u
. "$(dirname "$0")/lib.sh"
bin=$(cd "$1" && pwd)
dist=$2
build=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
sandbox=$(mktemp -d)

# --help and --version answer on stdout with 0; anything else is one line and 2.
"$bin/kavri" --help >"$sandbox/out" 2>&1 && grep -q -- "--window" "$sandbox/out" || fail "--help"
"$bin/kavri" --version | grep -qE '^kavri [0-9]+\.[0-9]+' || fail "--version"
for bad in --nope --window=1 extra; do
    "$bin/kavri" $bad >"$sandbox/out" 2>"$sandbox/err"
    rc=$?
    [ "$rc" -eq 2 ] && [ ! -s "$sandbox/out" ] && [ "$(wc -l <"$sandbox/err")" -eq 1 ] ||
        fail "$bad: exit code $rc, $(cat "$sandbox/out" "$sandbox/err")"
done

# The manual pages name exactly the options the programs know.
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
for page in "kavri:$dist/kavri.6" "kavri-capture:$dist/kavri-capture.1"; do
    program=${page%%:*}
    man=$(sed 's/\\-/-/g' "${page#*:}" | options)
    help=$("$bin/$program" --help | options)
    [ "$man" = "$help" ] || fail "$program: the manual page has $(echo $man), --help has $(echo $help)"
done

start_xvfb || exit 1
# Runs the show windowed from $1 until Escape; sets SHOW_RC and leaves stderr in $sandbox/err.
windowed_run() {
    (cd "$1" && SDL_AUDIODRIVER=dummy exec "$2" --window 2>"$sandbox/err") &
    SHOW_PID=$!
    local window
    window=$(focus_show_window) || return 1
    sleep 1
    xdotool getwindowgeometry "$window" | grep -q "Geometry: 640x480" || fail "the window is not 640x480"
    xdotool key Escape
    wait_show 5 || { fail "Escape did not end the show"; return 1; }
}

# From another folder, the build tree's data: nothing is missing, nothing is said.
windowed_run "$sandbox" "$bin/kavri"
[ "${SHOW_RC:-1}" -eq 0 ] && [ ! -s "$sandbox/err" ] || fail "from elsewhere: exit ${SHOW_RC:-}, $(cat "$sandbox/err")"

# No data anywhere: one line naming the places, for the show and for kavri-capture alike.
mkdir "$sandbox/bin"
cp "$bin/kavri" "$bin/kavri-capture" "$sandbox/bin/"
windowed_run "$sandbox/bin" ./kavri
[ "${SHOW_RC:-1}" -eq 0 ] || fail "without data: exit code ${SHOW_RC:-}"
[ "$(wc -l <"$sandbox/err")" -eq 1 ] && grep -qF "$sandbox/data" "$sandbox/err" ||
    fail "without data the show said: $(cat "$sandbox/err")"
(cd "$sandbox" && bin/kavri-capture --software --fps 10 --to 0.2 --frames frames 2>"$sandbox/err") ||
    fail "kavri-capture without data failed"
[ "$(grep -c "no data folder" "$sandbox/err")" -eq 1 ] || fail "kavri-capture without data said: $(head -3 "$sandbox/err")"

# One frame of a scene with pictures, drawn by kavri-capture started from $1 ($2: the program)
# into $sandbox/$3; its messages in $sandbox/$3.err.
capture_frame() {
    (cd "$1" && "$2" --software --scene EfxShape5 --from 2 --to 2.1 --fps 10 --frames "$sandbox/$3" \
        2>"$sandbox/$3.err") || fail "kavri-capture for $3 failed: $(head -3 "$sandbox/$3.err")"
}
capture_frame "$bin" "$bin/kavri-capture" reference

# Beside the folder started in, a folder named data with the show's subfolders but other
# files (a project's own data beside its code): not the show's, the build tree's data is.
mkdir -p "$sandbox/work/code" "$sandbox/work/data/textures" "$sandbox/work/data/stream"
mkdir -p "$sandbox/work/data/models/town_04.obj"
echo "v 0 0 0" >"$sandbox/work/data/models/house.obj"
cp "$bin/../data/textures/katze.png" "$sandbox/work/data/textures/photo.png"
windowed_run "$sandbox/work/code" "$bin/kavri"
[ "${SHOW_RC:-1}" -eq 0 ] && [ ! -s "$sandbox/err" ] || fail "beside another data folder: exit ${SHOW_RC:-}, $(head -3 "$sandbox/err")"
capture_frame "$sandbox/work/code" "$bin/kavri-capture" decoy
cmp -s "$sandbox/reference/frame_000020.png" "$sandbox/decoy/frame_000020.png" && [ ! -s "$sandbox/decoy.err" ] ||
    fail "kavri-capture beside another data folder drew another frame: $(head -3 "$sandbox/decoy.err")"

# Installed under another prefix than the configured one. One picture is taken out of the
# installed data, so that its line names the data folder the programs read.
# The folders are the build's own (the package's build puts the show in games/).
installed() { sed -n "s|^KAVRI_INSTALL_$1:STRING=||p" "$build/CMakeCache.txt"; }
prefix=$sandbox/opt/kavri
cmake --install "$build" --prefix "$prefix" >"$sandbox/install.log" 2>&1 || fail "cmake --install: $(tail -3 "$sandbox/install.log")"
picture=$prefix/$(installed DATADIR)/textures/katze1.png
rm "$picture"
capture_frame "$sandbox" "$prefix/$(installed TOOLDIR)/kavri-capture" moved
grep -qF "$picture" "$sandbox/moved.err" && [ "$(wc -l <"$sandbox/moved.err")" -eq 1 ] ||
    fail "kavri-capture installed elsewhere said: $(head -3 "$sandbox/moved.err")"
windowed_run "$sandbox" "$prefix/$(installed BINDIR)/kavri"
grep -qF "$picture" "$sandbox/err" && [ "$(wc -l <"$sandbox/err")" -eq 1 ] ||
    fail "the show installed elsewhere said: $(head -3 "$sandbox/err")"

[ $failed -eq 0 ] && rm -rf "$sandbox"
exit $failed
