#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the show on the desktops people use, each started privately on this machine, and
# checks what a user sees: at about 5 s a screenshot shows the 640x480 picture at 4:3,
# filling the monitor's height (or width), centred, black around it, equal to
# kavri-capture's frame of that moment when read back at each picture pixel's centre, and
# made of clean n x n blocks at a whole factor n; Escape ends the show with 0; the screen's
# mode is the same afterwards, also after kill -9. The same for `kavri --window`, whose
# picture fills its window. The show is started as a user starts it: nothing gives it the
# focus but the desktop (or the show itself).
#
#   scripts/check-desktops.sh [--installed | --bin DIR] [--no-install] [--keep] [DESKTOP...]
#
# Desktops (default: all, one after another):
#   xvfb        Xvfb 1920x1080, one mode, no window manager
#   openbox     Xvfb 1920x1080 with openbox (EWMH)
#   sway        sway, headless, 1920x1080, the show through XWayland
#   weston      weston (X11 backend in a private Xvfb), 1920x1080, through XWayland
#   gnome       GNOME Shell, headless, virtual 1920x1080 monitor, through XWayland
#   kwin        KWin (Wayland), virtual 1920x1080, through XWayland
#   xorg-dummy  Xorg's dummy driver, two outputs: 1920x1080 on the left, 1280x1024 on
#               the right as the primary monitor, each with many modes (640x480 too)
#
# --installed runs kavri and kavri-capture from the PATH instead of build/bin, --bin DIR
# those in DIR (another build, e.g. of an older commit, for a comparison);
# --no-install does not call apt-get (scripts/packages-desktops.txt lists what it needs).
# Run it as root: each desktop runs in its own mount, PID and network namespace with a
# private /tmp, its compositor and the show as the user 'nobody'.
# Prints one line per desktop and a total; exit code 1 if a desktop that ran failed.
# Screenshots and logs stay in the folder it names (removed at the end unless --keep).
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
here=$repo/scripts/desktops
all=(xvfb openbox sway weston gnome kwin xorg-dummy)
installed=0 install=1 keep=0 desktops=() bin=$repo/build/bin
while [ $# -gt 0 ]; do
    arg=$1
    shift
    case $arg in
        --installed) installed=1 ;;
        --bin) [ $# -gt 0 ] || { echo "check-desktops.sh: --bin needs a folder" >&2; exit 2; }
               bin=$(cd "$1" && pwd) || exit 2
               shift ;;
        --no-install) install=0 ;;
        --keep) keep=1 ;;
        -h|--help) sed -n '2,/^set -u/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "check-desktops.sh: unknown option $arg" >&2; exit 2 ;;
        *) [ -f "$here/$arg.sh" ] || { echo "check-desktops.sh: no desktop '$arg' (${all[*]})" >&2; exit 2; }
           desktops+=("$arg") ;;
    esac
done
[ ${#desktops[@]} -gt 0 ] || desktops=("${all[@]}")
[ "$(id -u)" -eq 0 ] || { echo "check-desktops.sh: run it as root (namespaces, apt-get)" >&2; exit 1; }

if [ $install -eq 1 ]; then
    mapfile -t packages < <(grep -v '^ *#' "$repo/scripts/packages-desktops.txt" | awk 'NF { print $1 }')
    missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
              install -y -q --no-install-recommends "${missing[@]}"; } >/var/tmp/kavri-desktops-apt.log 2>&1 ||
            { tail -n 20 /var/tmp/kavri-desktops-apt.log; echo "check-desktops.sh: apt-get failed" >&2; exit 1; }
    fi
fi

if [ $installed -eq 1 ]; then
    kavri=$(command -v kavri) || { echo "check-desktops.sh: no kavri on the PATH" >&2; exit 1; }
    capture=$(command -v kavri-capture) || { echo "check-desktops.sh: no kavri-capture on the PATH" >&2; exit 1; }
else
    kavri=$bin/kavri capture=$bin/kavri-capture
    [ -x "$kavri" ] && [ -x "$capture" ] ||
        { echo "check-desktops.sh: no kavri and kavri-capture in $bin (build them, or use --installed)" >&2; exit 1; }
fi

out=$(mktemp -d /var/tmp/kavri-desktops.XXXXXX)
chmod 755 "$out"
[ $keep -eq 1 ] || trap 'rm -rf "$out"' EXIT
began=$(date +%s)
echo "kavri: $kavri ($("$kavri" --version 2>&1 | head -n 1)); screenshots and logs: $out"

# The capture frames the screenshots are compared with, rendered by OpenGL as the show
# draws. The show's clock at the screenshot (about 5 s after the start, less the start-up)
# is not known exactly, so a span of frames is captured and the best one taken.
fps=60 from=2.5 to=7.4
frames=$out/frames
unshare --mount --net --pid --fork --mount-proc --kill-child \
    bash "$here/capture.sh" "$capture" "$frames" "$fps" "$from" "$to" >"$out/capture.log" 2>&1 ||
    { cat "$out/capture.log"; echo "check-desktops.sh: kavri-capture failed" >&2; exit 1; }

passed=0 failed=0 skipped=0
for d in "${desktops[@]}"; do
    start=$(date +%s)
    timeout -s KILL 240 unshare --mount --net --pid --fork --mount-proc --kill-child \
        bash "$here/session.sh" "$d" "$out/$d" "$kavri" "$frames" "$fps" >"$out/$d.log" 2>&1
    result=$(cat "$out/$d/result" 2>/dev/null || echo "FAIL the session ended without a verdict")
    took=$(( $(date +%s) - start ))
    case ${result%% *} in
        PASS) passed=$((passed + 1)) ;;
        SKIP) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)) ;;
    esac
    printf '%-11s %s (%d s)\n' "$d" "$result" "$took"
    [ -f "$out/$d/report" ] && sed 's/^/    /' "$out/$d/report"
done
echo "desktops: $passed passed, $failed failed, $skipped skipped ($(( $(date +%s) - began )) s)"
[ $failed -eq 0 ]
