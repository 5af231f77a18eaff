#!/bin/sh
# SPDX-License-Identifier: MIT
# Times the data generator and reports the size of the data folder it writes.
#
#   tools/datagen/bench.sh [build dir] [runs]
#
# Each run writes a fresh folder under /tmp; the best time is the figure to
# quote (the first run may also pay for reading the sound font from disk).
set -eu
build=${1:-build}
runs=${2:-3}
generator="$build/bin/kavri-datagen"
[ -x "$generator" ] || { echo "no generator at $generator (build the data target first)" >&2; exit 1; }
out=$(mktemp -d /tmp/kavri-datagen-bench.XXXXXX)
trap 'rm -rf "$out"' EXIT

best=
i=1
while [ "$i" -le "$runs" ]; do
    rm -rf "$out/data"
    start=$(date +%s.%N)
    "$generator" --bench "$out/data" > "$out/parts.txt"
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
    echo "run $i: $seconds s"
    if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
        best=$seconds
        cp "$out/parts.txt" "$out/best.txt"
    fi
    i=$((i + 1))
done
echo "best run, by part:"
sed 's/^/  /' "$out/best.txt"
bytes=$(find "$out/data" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')
echo "generator: best of $runs runs $best s (aim: under 20 s)"
echo "data folder: $bytes bytes = $(awk -v n="$bytes" 'BEGIN { printf "%.2f", n / 1048576 }') MB (aim: under 3 MB)"
