#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Hostile and damaged models in data/: no crash, no hang, one line naming the model that is
# left out, and what the engine's parser reads fine still loads and draws as before. The scene
# that shows arks3.obj is drawn with kavri-capture's software renderer (no X server needed),
# one frame a second; the models are written at test time.
set -u
bin=$1
data=$bin/../data
sandbox=$(mktemp -d)
mkdir "$sandbox/bin"
cp "$bin/kavri-capture" "$sandbox/bin/"
model=$sandbox/data/models/arks3.obj
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

fresh_data() {
    rm -rf "$sandbox/data"
    cp -rL "$data" "$sandbox/data"   # a real copy, even of a linked data folder
}

# Draws the scene into frames/$1 within $2 seconds.
draw() {
    timeout -k 5 "$2" "$sandbox/bin/kavri-capture" --software --scene shape2 --fps 1 \
        --frames "$sandbox/frames/$1" 2>"$sandbox/stderr"
    local rc=$?
    [ "$rc" -eq 0 ] || fail "$1: kavri-capture ended with $rc: $(tail -n 3 "$sandbox/stderr")"
    [ "$(ls "$sandbox/frames/$1" 2>/dev/null | wc -l)" -eq 11 ] || fail "$1: not every frame was drawn"
}

left_out() {   # left_out CASE REASON: one line says arks3.obj is left out, and why
    [ "$(grep -c 'arks3\.obj' "$sandbox/stderr")" -eq 1 ] && grep -q "arks3\.obj.* left out: .*$2" "$sandbox/stderr" ||
        fail "$1: expected one line about arks3.obj ($2), got: $(cat "$sandbox/stderr")"
}

fresh_data
draw reference 60

# A face corner with leading zeros: a number too long for the engine's 16-byte buffer.
fresh_data
sed -i '0,/^f 1\//s//f 0000000000000000000000000000000000000001\//' "$model"
grep -q '^f 0000000000000000000000000000000000000001/' "$model" || fail "leading zeros: no such face written"
draw leading_zeros 60
left_out "leading zeros" "too long"

# 100 000 groups (3.4 MB): quadratic for the engine, refused at once.
fresh_data
python3 -c '
import sys
with open(sys.argv[1], "a") as f:
    f.write("".join("g g%d\nusemtl ring\nf 1 2 3\n" % i for i in range(100000)))' "$model"
start=$(date +%s%N)
draw groups 60
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
left_out "100 000 groups" "groups"
echo "100 000 groups: the scene drawn in $elapsed_ms ms"

# Lines the engine reads fine that were once refused: the same model, written otherwise,
# draws the same frames and nothing is said about it.
fresh_data
python3 -c '
import sys
lines = open(sys.argv[1]).read().split("\n")
out = []
for i, l in enumerate(lines):
    if l.startswith("mtllib"):
        l = "mtllib arks3.mtl and two names.mtl"       # the engine reads the first name only
    elif l.startswith("f "):
        l = "face" + l[1:] + "\r"                         # any word starting with f, CR LF
    if i > 0 and l:
        l = "  " + l                                      # blanks before a line kind
    out.append(l)
out.insert(3, "g")
out.insert(4, "s 1")
open(sys.argv[1], "w").write("\n".join(out))' "$model"
draw odd_but_sound 60
grep -q 'arks3\.obj' "$sandbox/stderr" && fail "odd but sound: $(grep 'arks3\.obj' "$sandbox/stderr")"
for frame in "$sandbox/frames/reference/"*; do
    cmp -s "$frame" "$sandbox/frames/odd_but_sound/$(basename "$frame")" ||
        { fail "odd but sound: $(basename "$frame") differs from the reference"; break; }
done

[ $failed -eq 0 ] && [ -z "${KEEP:-}" ] && rm -rf "$sandbox"
exit $failed
