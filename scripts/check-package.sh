#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves the Debian package on fresh systems, for each of Debian 12 (bookworm) and 13 (trixie):
#   1. a clean root made with debootstrap gets a clean copy of the sources (git archive of
#      HEAD), the build dependencies named in debian/control and nothing else, and builds the
#      package with dpkg-buildpackage, which runs the project's tests; no compiler warning allowed;
#   2. a second clean root installs the .deb with apt-get install ./kavri_*.deb, and there the
#      installed kavri, started from /tmp under Xvfb, opens its window, shows a picture that is
#      not black at 5 s and ends with 0 on Escape; kavri-capture --software writes its frames.
# Needs root and the network to the Debian mirror; installs debootstrap itself when it is
# missing. Takes long (see README).
# KAVRI_CHECK_REV names another commit to build than HEAD.
#
#   scripts/check-package.sh [DIST...]     (default: bookworm trixie)
#
# The debootstrap roots and the downloaded packages are kept in $KAVRI_CHECK_CACHE
# (default /var/cache/kavri-check), so that later runs are quicker; the built packages and
# the logs go to $KAVRI_CHECK_CACHE/out/DIST/.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${KAVRI_CHECK_CACHE:-/var/cache/kavri-check}
mirror=${KAVRI_CHECK_MIRROR:-http://deb.debian.org/debian}
display=${KAVRI_CHECK_DISPLAY:-58}
rev=${KAVRI_CHECK_REV:-HEAD}   # the commit whose sources are built
dists=("$@")
[ ${#dists[@]} -gt 0 ] || dists=(bookworm trixie)

[ "$(id -u)" -eq 0 ] || { echo "check-package.sh: run it as root (debootstrap, chroot)" >&2; exit 1; }
# What the script itself needs on this machine; the roots get theirs inside. debian-archive-keyring
# lets debootstrap check the release files of every Debian it makes a root of; git makes the
# copy of the sources.
packages=(debootstrap debian-archive-keyring git tar)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "check-package.sh: installing ${missing[*]}"
    { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
          install -y -q --no-install-recommends "${missing[@]}"; } >/var/tmp/kavri-check-apt.log 2>&1 ||
        { tail -n 20 /var/tmp/kavri-check-apt.log; echo "check-package.sh: apt-get failed" >&2; exit 1; }
fi

work=$(mktemp -d /var/tmp/kavri-check.XXXXXX)
mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    mounted=()
    # Only once nothing is mounted below it any more.
    if ! findmnt -rn -o TARGET | grep -q "^$work/"; then
        rm -rf "$work"
    fi
}
trap cleanup EXIT

say() { echo "[$(date +%H:%M:%S)] $*"; }

mount_in() {   # mount_in TARGET mount-arguments...
    local target=$1
    shift
    mount "$@" "$target"
    mounted+=("$target")
}

# A clean root for $1 (dist) at $2: the cached debootstrap root unpacked, with its own /proc,
# /dev/pts, /dev/shm and the shared download cache.
new_root() {
    local dist=$1 root=$2 base=$cache/$dist-root.tar
    if [ ! -f "$base" ]; then
        say "$dist: debootstrap (once; kept in $base)"
        rm -rf "$cache/tmp-$dist"
        debootstrap --variant=minbase "$dist" "$cache/tmp-$dist" "$mirror" >"$cache/$dist-debootstrap.log" 2>&1 ||
            { echo "debootstrap failed, see $cache/$dist-debootstrap.log" >&2; return 1; }
        tar -C "$cache/tmp-$dist" -cf "$base.part" . && mv "$base.part" "$base"
        rm -rf "$cache/tmp-$dist"
    fi
    mkdir -p "$root" "$cache/apt/$dist"
    tar -C "$root" -xf "$base"
    echo "deb $mirror $dist main" >"$root/etc/apt/sources.list"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # No services start inside, and the downloaded packages stay for the next run.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    rm -f "$root/etc/apt/apt.conf.d/docker-clean"
    echo 'APT::Install-Recommends "false";' >"$root/etc/apt/apt.conf.d/90kavri-check"
    mount_in "$root/proc" -t proc proc
    mount_in "$root/dev/pts" -t devpts devpts -o newinstance,ptmxmode=0666
    mount_in "$root/dev/shm" -t tmpfs shm
    mount_in "$root/var/cache/apt/archives" --bind "$cache/apt/$dist"
}

in_root() {   # in_root ROOT command...
    local root=$1
    shift
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive \
        DEB_BUILD_OPTIONS="parallel=$(nproc)" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/games "$@"
}

release_roots() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" || umount -l "${mounted[i]}"
    done
    mounted=()
}

# Builds the package in a clean root; leaves the .deb files in $out.
build_package() {
    local dist=$1 root=$work/$1-build out=$2
    new_root "$dist" "$root"
    say "$dist: build root: build-essential and the build dependencies from debian/control"
    mkdir -p "$root/build/kavri"
    git -C "$repo" archive --format=tar "$rev" | tar -C "$root/build/kavri" -xf -
    {
        in_root "$root" apt-get update -q
        in_root "$root" apt-get install -y -q build-essential
        in_root "$root" sh -c 'cd /build/kavri && apt-get build-dep -y -q ./'
    } >"$out/build-deps.log" 2>&1 || { tail -n 20 "$out/build-deps.log"; return 1; }
    say "$dist: dpkg-buildpackage -us -uc -b (log: $out/build.log)"
    in_root "$root" sh -c 'cd /build/kavri && dpkg-buildpackage -us -uc -b' >"$out/build.log" 2>&1 ||
        { tail -n 40 "$out/build.log"; return 1; }
    grep -E "^ *[0-9]+% tests passed|tests failed out of" "$out/build.log" | tail -n 1 | sed "s/^/[$dist] ctest: /"
    # Compiler and linker warnings, and CMake's, less its note that debhelper passes variables
    # this project has no use for. dpkg's own notes are not the build's.
    grep -nE ":[0-9]+(:[0-9]+)?: warning:|^(cc1plus|cc1|g\+\+|gcc|/usr/bin/ld): warning" \
        "$out/build.log" >"$out/warnings.txt"
    grep -n -A1 "^CMake Warning" "$out/build.log" | grep -E "^[0-9]+-" |
        grep -v "Manually-specified variables were not used" >>"$out/warnings.txt"
    if [ -s "$out/warnings.txt" ]; then
        echo "$dist: the build has warnings:" >&2
        head -n 20 "$out/warnings.txt" >&2
        return 1
    fi
    cp "$root"/build/kavri_*.deb "$out/"
    release_roots
    rm -rf "$root"
}

# Installs the package in a clean root and runs it there.
run_installed() {
    local dist=$1 root=$work/$1-run out=$2 deb
    deb=$(cd "$out" && ls kavri_*.deb | grep -v dbgsym)
    new_root "$dist" "$root"
    cp "$out/$deb" "$root/tmp/"
    say "$dist: run root: apt-get install ./$deb"
    {
        in_root "$root" apt-get update -q
        in_root "$root" sh -c "cd /tmp && apt-get install -y -q ./$deb"
    } >"$out/install.log" 2>&1 || { tail -n 20 "$out/install.log"; return 1; }
    grep -E "^[0-9]+ upgraded, [0-9]+ newly installed" "$out/install.log" | sed "s/^/[$dist] install: /"
    # What the check itself needs, only after the package has brought its own dependencies.
    in_root "$root" apt-get install -y -q xvfb xdotool imagemagick >"$out/tools.log" 2>&1 ||
        { tail -n 20 "$out/tools.log"; return 1; }
    cp "$repo/scripts/check-installed.sh" "$root/tmp/"
    say "$dist: the installed kavri under Xvfb, and kavri-capture"
    in_root "$root" bash /tmp/check-installed.sh "$display" 2>&1 | sed "s/^/[$dist] /"
    local rc=${PIPESTATUS[0]}
    release_roots
    rm -rf "$root"
    return "$rc"
}

main() {
local start dist t0 out result
start=$(date +%s)
echo "check-package.sh: $(git -C "$repo" log -1 --format='%h %s' "$rev")"
failed=()
summary=()
for dist in "${dists[@]}"; do
    t0=$(date +%s)
    out=$cache/out/$dist
    rm -rf "$out"
    mkdir -p "$out"
    if build_package "$dist" "$out" && run_installed "$dist" "$out"; then
        result=passed
    else
        result=FAILED
        failed+=("$dist")
        release_roots
    fi
    summary+=("$dist: $result in $(( $(date +%s) - t0 )) s")
    say "${summary[-1]}"
done
printf '%s\n' "${summary[@]}"
echo "check-package.sh: total $(( $(date +%s) - start )) s"
[ ${#failed[@]} -eq 0 ] || { echo "check-package.sh: failed on ${failed[*]}" >&2; exit 1; }
echo "check-package.sh: the package builds, installs and runs on ${dists[*]}"
}

# Read whole before it runs, so that editing this file meanwhile cannot upset a long run.
main
exit
