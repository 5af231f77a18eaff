#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up what building and running needs, builds, and runs the show (options are passed on,
# e.g. --window). It finds its data folder from wherever it is started.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/bin/kavri "$@"
