#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The show in an IPC namespace of its own (as in a container or a sandbox), the X server in
# another one that holds segments of another program under the numbers the show's namespace
# hands out first. The show must put only its own picture on the screen and play on: with
# its memory passed by file descriptor, named by System V number (a server without file
# descriptors, preloaded), and with no MIT-SHM at all. The other program's segments are
# large (a whole picture) or small (a put from them fails). In the server's own namespace
# the show's numbered segment is taken, so the pixels are still shared.
set -u
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/shots.sh"
bin=$1
without_fds=$2
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT

# Root may make namespaces; anyone else makes them inside a user namespace of their own.
isolate=(unshare --ipc)
[ "$(id -u)" -eq 0 ] || isolate=(unshare --user --map-root-user --ipc)

# start_foreign_xvfb SEGMENT_SIZE XVFB_ARG...: Xvfb at 1024x768 beside the other program's segments.
start_foreign_xvfb() {
    local size=$1 fifo
    shift
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    "${isolate[@]}" python3 "$here/foreign_segments.py" "$size" 8 \
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp "$@" 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r -t 10 display_number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$display_number"
}

failed=0
# run_case NAME SEGMENT_SIZE PRELOAD XVFB_ARG...; the show in the server's namespace if NAME ends in -own.
run_case() {
    local name=$1 size=$2 preload=$3 namespace
    shift 3
    start_foreign_xvfb "$size" "$@" || { failed=1; return; }
    namespace=("${isolate[@]}")
    [[ $name == *-own ]] && namespace=(nsenter --ipc=/proc/$XVFB_PID/ns/ipc)
    (cd "$bin" && LD_PRELOAD="${preload:+$preload:}${LD_PRELOAD:-}" KAVRI_PRESENT=cpu SDL_AUDIODRIVER=dummy exec "${namespace[@]}" ./kavri) \
        2>"$work/$name.err" &
    SHOW_PID=$!
    focus_show_window >/dev/null || failed=1
    sleep 5
    shoot "$work" "$name"
    if [[ $name == *-own ]]; then
        # The picture's segment (1024x768 pixels), attached by the show and the server.
        shared=$(nsenter --ipc=/proc/$XVFB_PID/ns/ipc cat /proc/sysvipc/shm | awk '$4 == 3145728 && $7 == 2' | wc -l)
        [ "$shared" -eq 1 ] || { echo "$name: the picture is not in memory shared with the server" >&2; failed=1; }
    fi
    local total foreign lit
    total=$(count_pixels "$work/$name.png" '1')
    foreign=$(count_pixels "$work/$name.png" 'r == 1 && g == 254 && b == 3')
    lit=$(count_pixels "$work/$name.png" 'r + g + b > 30')
    if kill -0 "$SHOW_PID" 2>/dev/null; then
        kill -TERM "$SHOW_PID"
        wait_show 5 || { kill -9 "$SHOW_PID"; SHOW_RC=killed; SHOW_PID=; }
    else
        wait "$SHOW_PID"; echo "$name: the show died with exit code $?: $(head -c 300 "$work/$name.err")" >&2
        SHOW_PID=; SHOW_RC=died
    fi
    echo "$name: $foreign of $total pixels the other program's, $lit lit, exit code $SHOW_RC"
    # At about 5 s the show's scene fills a good part of the screen with colour.
    if [ "$foreign" -ne 0 ] || [ "$lit" -lt $((total / 20)) ] || [ "$SHOW_RC" != 0 ]; then failed=1; fi
    kill "$XVFB_PID"; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=
}

run_case descriptor-large 8388608 ""
run_case descriptor-small 4096 ""
run_case number-large 8388608 "$without_fds"
run_case number-small 4096 "$without_fds"
run_case number-own 8388608 "$without_fds"
run_case no-shm 8388608 "" -extension MIT-SHM
exit $failed
