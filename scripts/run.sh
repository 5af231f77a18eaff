#!/usr/bin/env bash
# Sets everything up and runs the show. It reads its files from ../data, so it runs from build/bin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build/bin
exec ./kavri
