#!/usr/bin/env bash
# Without an X server the show cannot start: one clear line, a non-zero exit code.
set -u
bin=$1
err=$(cd "$bin" && DISPLAY=:4095 SDL_AUDIODRIVER=dummy timeout 10 ./kavri 2>&1 >/dev/null)
rc=$?
echo "exit code $rc: $err"
[ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] || exit 1
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || exit 1
printf '%s' "$err" | grep -q "X display" || exit 1
