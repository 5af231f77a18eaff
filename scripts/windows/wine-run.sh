#!/bin/bash
# Runs a Windows program with wine64 in the build's own Wine prefix (build-windows/wine unless
# WINEPREFIX is set), quietly and without the Mono and Gecko installers. The toolchain file
# makes it CMake's CROSSCOMPILING_EMULATOR, so ctest and gtest_discover_tests run test .exe
# files through it. The first run creates the prefix (about 12-15 s).
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build-windows/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
