#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what a fresh Debian 12 machine lacks, then configures and builds into build/.
#   scripts/setup.sh [CMAKE ARG...]          building and running: the show, its data folder
#                                             (generated: textures, models, music), kavri-capture
#   scripts/setup.sh --test [CMAKE ARG...]   the same, plus the test tools and the tests
# One package list per purpose: scripts/packages-run.txt, scripts/packages-test.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

lists=(scripts/packages-run.txt)
testing=OFF
if [ "${1:-}" = "--test" ]; then
    lists+=(scripts/packages-test.txt)
    testing=ON
    shift
fi

missing=()
while read -r pkg; do
    [ -z "$pkg" ] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < <(cat "${lists[@]}")

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=$testing "$@" >/dev/null
cmake --build build -j"$(nproc)"
