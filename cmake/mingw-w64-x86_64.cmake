# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the -posix compilers, whose C++
# threads are winpthreads), against the static libraries that scripts/windows/build-deps.sh
# builds. Use:
#
#   cmake -S . -B build-windows/app -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         [-DKAVRI_WINDOWS_DEPS=/path/to/deps]
#
# Everything links statically: the .exe needs no DLL beyond those Windows itself ships.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAVRI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${KAVRI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVRI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KAVRI_MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${KAVRI_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB       ${KAVRI_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Where the cross-built libraries are. try_compile() projects read this file again, so the
# value is handed on to them too.
set(KAVRI_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build-windows/deps"
    CACHE PATH "Prefix of the cross-built static libraries (scripts/windows/build-deps.sh)")
get_filename_component(KAVRI_WINDOWS_DEPS "${KAVRI_WINDOWS_DEPS}" ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KAVRI_WINDOWS_DEPS)
set(KAVRI_MINGW_ROOT /usr/${KAVRI_MINGW_TRIPLE})

# Libraries, headers and CMake packages come only from the deps prefix and MinGW's own tree;
# programs (code generators and the like) from the build machine.
set(CMAKE_FIND_ROOT_PATH ${KAVRI_WINDOWS_DEPS} ${KAVRI_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks at the cross-built .pc files only, never at the build machine's, and answers
# for static linking (with each library's private dependencies), the only kind the prefix has.
set(ENV{PKG_CONFIG_LIBDIR} "${KAVRI_WINDOWS_DEPS}/lib/pkgconfig:${KAVRI_MINGW_ROOT}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to supply to pkg-config")

# MinGW's tree has zlib's import library libz.dll.a beside libz.a, and CMake prefers the former;
# the deps prefix has a copy of the static one, so programs do not need zlib1.dll.
set(ZLIB_INCLUDE_DIR ${KAVRI_WINDOWS_DEPS}/include CACHE PATH "zlib headers")
set(ZLIB_LIBRARY ${KAVRI_WINDOWS_DEPS}/lib/libz.a CACHE FILEPATH "Static zlib")

# The C and C++ runtimes (libgcc, libstdc++, winpthreads) go into the .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Programs built with this file (tests, test discovery) run under Wine, in the build's own prefix.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
endif()
