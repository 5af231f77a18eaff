#!/bin/sh
# SPDX-License-Identifier: MIT
# Windows code in platform/ lives in platform/windows/, in files of the same name as the Linux
# ones they replace (platform/README.md): no file in platform/ branches on _WIN32.
#   platform_windows.sh SOURCE_DIR
cd "$1/platform" || exit 2
found=$(grep -l '_WIN32' -- *.cpp *.h)
if [ -n "$found" ]; then
    echo "these files branch on _WIN32; put the Windows side in platform/windows/ (platform/README.md):"
    echo "$found"
    exit 1
fi
echo "no file in platform/ branches on _WIN32"
