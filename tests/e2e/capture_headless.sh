#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kavri-capture on a machine without an X display: it draws with OpenGL on a virtual X
# server of its own, and the whole show comes out byte for byte as under an X display, at
# least as fast. The server lets in no one else, and never outlives the capture, whether
# the capture ends, is stopped or is killed. Arguments: the bin folder, the frame rate.
set -u
. "$(dirname "$0")/lib.sh"
bin=$(cd "$1" && pwd)
fps=${2:-4}
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
sandbox=$(mktemp -d)
trap 'cleanup; rm -rf "$sandbox"' EXIT

start_xvfb || exit 1
shown=$DISPLAY

# headless: no DISPLAY (nor XAUTHORITY) at all, as on a server.
run_capture() {   # run_capture shown|headless [OPTION...]
    local where=$1
    shift
    if [ "$where" = shown ]; then
        timeout -k 5 900 env DISPLAY="$shown" SDL_AUDIODRIVER=dummy "$bin/kavri-capture" "$@"
    else
        timeout -k 5 900 env -u DISPLAY -u XAUTHORITY SDL_AUDIODRIVER=dummy "$bin/kavri-capture" "$@"
    fi
}

# The whole show, at least twice each way, alternating. Wall time varies a lot on a shared
# machine; the processor time taken varies little, so that is what is compared: the capture's
# and its children's (its own X server among them), and under the X display the server's too.
# The least of each way counts. On a busy machine one run in a few takes some 10 % more, so
# when the headless runs are not yet within the allowance, up to two more rounds are taken.
server_cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / hz) }' "/proc/$XVFB_PID/stat"; }
declare -A best
within_allowance() {   # runs vary by a few per cent either way
    [ -n "${best[shown]:-}" ] && [ -n "${best[headless]:-}" ] &&
        [ "${best[headless]}" -le $((best[shown] * 110 / 100)) ]
}
TIMEFORMAT='%R %U %S'
for round in 1 2 3 4; do
    [ "$round" -gt 2 ] && within_allowance && break
    for where in shown headless; do
        rm -rf "$sandbox/$where"
        before=$(server_cpu_ms)
        { time run_capture "$where" --fps "$fps" --frames "$sandbox/$where" 2>"$sandbox/err"; } 2>"$sandbox/time"
        rc=$?
        read -r wall user system <"$sandbox/time"
        cpu=$(awk -v u="$user" -v s="$system" -v x="$(($(server_cpu_ms) - before))" 'BEGIN { print int((u + s) * 1000 + x) }')
        echo "round $round, $where: exit code $rc, $wall s, processor time $cpu ms"
        [ "$rc" -eq 0 ] || { fail "$where: exit code $rc: $(cat "$sandbox/err")"; continue; }
        if [ -z "${best[$where]:-}" ] || [ "$cpu" -lt "${best[$where]}" ]; then best[$where]=$cpu; fi
    done
done
frames=$(ls "$sandbox/shown" 2>/dev/null | wc -l)
echo "$frames frames at $fps fps each way"
[ "$frames" -gt 250 ] || fail "only $frames frames under the X display"
if ! diff -r "$sandbox/shown" "$sandbox/headless" >"$sandbox/diff" 2>&1; then
    fail "the frames without an X display differ from those under one: $(wc -l <"$sandbox/diff") files, e.g. $(head -n 2 "$sandbox/diff")"
fi
if [ -n "${best[shown]:-}" ] && [ -n "${best[headless]:-}" ]; then
    echo "least processor time for the whole show: ${best[shown]} ms under the X display, ${best[headless]} ms without"
    within_allowance || fail "without an X display the capture takes longer"
fi

# The running capture's own X server: a child of the capture, in a process group of its own.
server_of() {   # server_of CAPTURE_PID: prints the server's pid once it is up
    local pid
    for _ in $(seq 1 400); do
        pid=$(pgrep -P "$1" -x Xvfb | head -n 1)
        [ -n "$pid" ] && ls "$sandbox/f" 2>/dev/null | grep -q png && { echo "$pid"; return 0; }
        case "$(ps -o stat= -p "$1")" in "" | Z*) return 1 ;; esac
        sleep 0.05
    done
    return 1
}
socket_of() {   # socket_of SERVER_PID: the server's socket in the file system, /tmp/.X11-unix/XN
    local inode
    for inode in $(ls -l "/proc/$1/fd" 2>/dev/null | sed -n 's/.*socket:\[\([0-9]*\)\]$/\1/p'); do
        awk -v i="$inode" '$7 == i && $8 ~ /^\/tmp\/.X11-unix\/X[0-9]+$/ { print $8 }' /proc/net/unix
    done | head -n 1
}
gone_soon() {   # gone_soon PID: ended (or a zombie) within three seconds
    local state
    for _ in $(seq 1 60); do
        state=$(ps -o stat= -p "$1" 2>/dev/null)
        case "$state" in "" | Z*) return 0 ;; esac
        sleep 0.05
    done
    return 1
}

for ending in none INT TERM HUP KILL; do
    rm -rf "$sandbox/f"
    env -u DISPLAY -u XAUTHORITY SDL_AUDIODRIVER=dummy "$bin/kavri-capture" --fps 30 --to 3 --frames "$sandbox/f" \
        2>"$sandbox/err" &
    capture=$!
    server=$(server_of "$capture") || { fail "$ending: no X server of the capture's seen"; kill -9 "$capture"; wait "$capture"; continue; }
    socket=$(socket_of "$server")
    number=${socket#/tmp/.X11-unix/X}
    [ -n "$socket" ] || fail "$ending: the server's socket was not found"
    [ "$(ps -o pgid= -p "$server" | tr -d ' ')" = "$server" ] || fail "$ending: the server shares a process group"
    # Without the capture's cookie nobody gets in; with it (read here through the capture's
    # own descriptor), one does.
    if [ -n "$number" ] && env -u XAUTHORITY DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
        fail "$ending: another client got into the capture's X server :$number"
    fi
    cookie=$(ls -l "/proc/$capture/fd" | sed -n 's/.* \([0-9]*\) -> \/memfd:kavri-capture-xauth.*/\1/p' | head -n 1)
    if [ -n "$number" ] && ! XAUTHORITY="/proc/$capture/fd/$cookie" DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
        fail "$ending: the capture's own cookie does not open its X server :$number"
    fi
    [ "$ending" = none ] || kill "-$ending" "$capture"
    wait "$capture"
    rc=$?
    case "$ending" in
        none) [ "$rc" -eq 0 ] || fail "none: exit code $rc: $(cat "$sandbox/err")" ;;
        KILL) ;;
        *) [ "$rc" -ge 128 ] || fail "$ending: exit code $rc" ;;
    esac
    gone_soon "$server" || { fail "$ending: the X server $server outlived the capture"; kill -9 "$server"; }
    for _ in $(seq 1 60); do [ -n "$socket" ] && [ -e "$socket" ] || break; sleep 0.05; done
    [ -z "$socket" ] || [ ! -e "$socket" ] || fail "$ending: the server's socket $socket was left"
    echo "$ending: exit code $rc, server $server on :$number ended"
done
# Where Xvfb is missing the capture says so in one line.
err=$(env -u DISPLAY PATH=/nonexistent SDL_AUDIODRIVER=dummy "$bin/kavri-capture" --to 0.1 --frames "$sandbox/none" 2>&1)
rc=$?
[ "$rc" -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && printf '%s' "$err" | grep -q xvfb ||
    fail "without Xvfb: exit code $rc: $err"
exit $failed
