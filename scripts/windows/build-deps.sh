#!/bin/bash
# Builds the third-party libraries of the Windows build as static libraries for
# x86_64-w64-mingw32: Irrlicht 1.8.5 (OpenGL and software drivers), SDL2 (audio only), libogg,
# libvorbis/vorbisfile, libpng, and googletest for the unit tests. zlib is Debian's
# libz-mingw-w64-dev.
#
#   scripts/windows/build-deps.sh [PREFIX]      (default PREFIX: build-windows/deps)
#
# Sources come only from Debian's archive: `apt-get source` at the versions pinned in
# sources.txt beside this script, googletest from libgtest-dev's /usr/src/googletest. Run as
# root on a fresh Debian 12 it first installs what it needs. Each library leaves a stamp in
# PREFIX/share/kavri-deps; a library is built again only when its version, its recipe below or
# a library it uses changed, so a second run takes seconds. Sources, build trees and logs live
# in PREFIX-work (or $KAVRI_DEPS_WORK).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
PREFIX=$(realpath -m "${1:-$repo/build-windows/deps}")
WORK=$(realpath -m "${KAVRI_DEPS_WORK:-$PREFIX-work}")
STAMPS=$PREFIX/share/kavri-deps
TOOLCHAIN=$repo/cmake/mingw-w64-x86_64.cmake
JOBS=2

TRIPLE=x86_64-w64-mingw32
export CC=$TRIPLE-gcc-posix CXX=$TRIPLE-g++-posix AR=$TRIPLE-ar RANLIB=$TRIPLE-ranlib
# Build paths stay out of the objects (assert messages, __FILE__).
MAPFLAGS="-ffile-prefix-map=$WORK=/kavri-deps -ffile-prefix-map=$PREFIX=/kavri-deps/prefix"
# The work folder may sit inside a git checkout; no package may take its revision from there.
export GIT_CEILING_DIRECTORIES=$WORK
export LC_ALL=C TZ=UTC

PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev libz-mingw-w64-dev libgtest-dev dpkg-dev make cmake pkg-config
          xz-utils ca-certificates)
SRC_LIST=/etc/apt/sources.list.d/kavri-src.sources

say() { printf '== %s\n' "$*"; }
die() { printf 'build-deps: %s\n' "$*" >&2; exit 1; }

# ---------------------------------------------------------------------------------------------
# Machine setup

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return
  [[ $(id -u) == 0 ]] || die "run as root to install: ${missing[*]}"
  say "installing ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# apt-get source needs a deb-src entry for bookworm.
ensure_deb_src() {
  apt-cache showsrc --only-source irrlicht 2>/dev/null | grep -q '^Package:' && return
  [[ $(id -u) == 0 ]] || die "no deb-src entry for bookworm; run as root to add $SRC_LIST"
  say "adding $SRC_LIST"
  cat >"$SRC_LIST" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -q
}

# The pinned version of a package in sources.txt.
pinned() {
  local v
  v=$(awk -v p="$1" '$1 == p { print $2 }' "$here/sources.txt")
  [[ -n $v ]] || die "$1 is not in sources.txt"
  echo "$v"
}

# Fetches (once) and unpacks (each build) a Debian source package at its pinned version;
# prints the unpacked folder. apt checks the files against the archive's signed index.
unpack_source() {
  local pkg=$1 ver dsc dir
  ver=$(pinned "$pkg")
  dsc=$WORK/dl/${pkg}_${ver#*:}.dsc
  if [[ ! -f $dsc ]]; then
    local offered
    offered=$(apt-cache showsrc --only-source "$pkg" | sed -n 's/^Version: //p' | sort -u)
    # A point release replaces a version in the archive: the build goes on with the one on
    # offer, and says so, rather than leave a fresh machine without a Windows build.
    if ! grep -qxF "$ver" <<<"$offered"; then
      local newest
      newest=$(sort -V <<<"$offered" | tail -n 1)
      [[ -n $newest ]] || die "Debian offers no source of $pkg"
      echo "build-deps.sh: Debian now offers $pkg $newest, not $ver as pinned in sources.txt; building $newest (pin it there to make this build the reference)" >&2
      ver=$newest
      dsc=$WORK/dl/${pkg}_${ver#*:}.dsc
    fi
    mkdir -p "$WORK/dl"
    (cd "$WORK/dl" && apt-get source -q --download-only --only-source "$pkg=$ver") >&2
  fi
  grep -qxF "Version: $ver" "$dsc" || die "$dsc is not version $ver"
  dir=$WORK/src/$pkg
  rm -rf "$dir"
  mkdir -p "$WORK/src"
  dpkg-source --no-check -x "$dsc" "$dir" >/dev/null
  # What goes into kavri.exe carries its licence into the release archive.
  mkdir -p "$PREFIX/licences"
  cp "$dir/debian/copyright" "$PREFIX/licences/$pkg"
  [[ $(dpkg-parsechangelog -l "$dir/debian/changelog" -SVersion) == "$ver" ]] ||
    die "$dir is not version $ver"
  echo "$dir"
}

# ---------------------------------------------------------------------------------------------
# Building

# Timestamps that end up in outputs are the date of the package's last Debian upload.
set_source_date() {
  local changelog=$1/debian/changelog
  [[ -f $changelog ]] || changelog=/usr/share/doc/libgtest-dev/changelog.Debian.gz
  SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -STimestamp)
  export SOURCE_DATE_EPOCH
}

# Configures, builds and installs a CMake project into PREFIX with the cross toolchain.
cmake_build() {
  local src=$1 bld=$2
  shift 2
  set_source_date "$src"
  rm -rf "$bld"
  cmake -S "$src" -B "$bld" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DKAVRI_WINDOWS_DEPS="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_C_FLAGS="$MAPFLAGS" -DCMAKE_CXX_FLAGS="$MAPFLAGS" "$@"
  cmake --build "$bld" -j"$JOBS"
  cmake --install "$bld"
}

# zlib is Debian's libz-mingw-w64-dev. Its static archive and headers are copied into the prefix,
# which is searched first: the import library libz.dll.a beside libz.a in MinGW's own tree would
# otherwise be picked by CMake and make programs need zlib1.dll.
build_zlib() {
  local root=/usr/$TRIPLE version
  version=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)
  mkdir -p "$PREFIX/include" "$PREFIX/lib/pkgconfig"
  cp "$root/include/zlib.h" "$root/include/zconf.h" "$PREFIX/include/"
  cp "$root/lib/libz.a" "$PREFIX/lib/"
  # The licences of what goes into kavri.exe besides the sources built here: zlib, and
  # MinGW-w64's runtime (start-up code, winpthreads).
  mkdir -p "$PREFIX/licences"
  cp /usr/share/doc/libz-mingw-w64-dev/copyright "$PREFIX/licences/zlib"
  cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$PREFIX/licences/mingw-w64-runtime"
  cat >"$PREFIX/lib/pkgconfig/zlib.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library, static (Debian's libz-mingw-w64-dev $version)
Version: ${version%%[+-]*}
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
}

build_libogg() {
  local src
  src=$(unpack_source libogg)
  cmake_build "$src" "$WORK/build/libogg" -DINSTALL_DOCS=OFF
}

build_libvorbis() {
  local src
  src=$(unpack_source libvorbis)
  cmake_build "$src" "$WORK/build/libvorbis"
}

build_libpng() {
  local src
  src=$(unpack_source libpng1.6)
  cmake_build "$src" "$WORK/build/libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -Dld-version-script=OFF
}

# SDL2 only plays sound here: WASAPI, DirectSound and WinMM, plus the dummy and disk drivers.
# Its video subsystem stays in: on Windows the dynamic API table refers to functions of the
# Windows video driver (SDL_RegisterApp and others), and a static SDL2 without it does not link.
build_libsdl2() {
  local src
  src=$(unpack_source libsdl2)
  cmake_build "$src" "$WORK/build/libsdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_CCACHE=OFF -DSDL_AUDIO=ON -DSDL_WASAPI=ON -DSDL_DIRECTX=ON \
    -DSDL_VIDEO=ON -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF \
    -DSDL_XINPUT=OFF -DSDL_RENDER_D3D=OFF
}

build_googletest() {
  cmake_build /usr/src/googletest "$WORK/build/googletest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

# What this Windows build of Irrlicht is, written into its IrrCompileConfig.h (each guarded, as
# upstream's win32 makefile target passes some of them with -D too).
IRR_CONFIG=(_IRR_STATIC_LIB_ NO_IRR_COMPILE_WITH_DIRECT3D_8_ NO_IRR_COMPILE_WITH_DIRECT3D_9_
            NO_IRR_COMPILE_WITH_DIRECTINPUT_JOYSTICK_ NO_IRR_COMPILE_WITH_LIBJPEG_
            NO_IRR_COMPILE_WITH_BZIP2_)

# Irrlicht with upstream's makefile target staticlib_win32 (-O3, as Debian's Linux build), on
# Debian's source, whose patches already take png and zlib from the system and drop LZMA.
build_irrlicht() {
  local src cfg block d
  src=$(unpack_source irrlicht)
  cfg=$src/include/IrrCompileConfig.h
  block=$src/windows-config.h
  {
    echo '// Windows build (scripts/windows/build-deps.sh): static library, OpenGL and software'
    echo '// drivers, PNG through libpng and zlib; no DirectX, JPEG or bzip2.'
    for d in "${IRR_CONFIG[@]}"; do printf '#ifndef %s\n#define %s\n#endif\n' "$d" "$d"; done
  } >"$block"
  # (The header has CRLF line ends.)
  grep -qP '^#define IRRLICHT_SDK_VERSION "1\.8\.5"\r?$' "$cfg" || die "unexpected $cfg"
  sed -i "/^#define IRRLICHT_SDK_VERSION \"1.8.5\"\r\?\$/r $block" "$cfg"
  grep -q '^#define NO_IRR_COMPILE_WITH_DIRECT3D_9_' "$cfg" || die "could not configure $cfg"
  set_source_date "$src"

  CPPFLAGS="-I$PREFIX/include" CXXFLAGS="$MAPFLAGS" \
    make -C "$src/source/Irrlicht" -j"$JOBS" staticlib_win32 NDEBUG=1 CC="$CC" CXX="$CXX" AR="$AR"

  mkdir -p "$PREFIX/include/irrlicht" "$PREFIX/lib/pkgconfig"
  rm -f "$PREFIX/include/irrlicht/"*.h
  cp "$src/include/"*.h "$PREFIX/include/irrlicht/"
  cp "$src/lib/Win32-gcc/libIrrlicht.a" "$PREFIX/lib/"
  cat >"$PREFIX/lib/pkgconfig/irrlicht.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include/irrlicht

Name: Irrlicht
Description: Irrlicht Engine 1.8.5, static, OpenGL and Burning's Video drivers
Version: 1.8.5
Requires.private: libpng
Libs: -L\${libdir} -lIrrlicht
Libs.private: -lopengl32 -lgdi32 -lwinmm
Cflags: -I\${includedir} -D_IRR_STATIC_LIB_
EOF
}

# ---------------------------------------------------------------------------------------------
# Stamps: one per library, holding a hash of everything its result depends on.

declare -A KEY

recipe_key() {
  local lib=$1 ver dep
  shift
  case $lib in
    googletest) ver="libgtest-dev $(dpkg-query -W -f='${Version}' libgtest-dev)" ;;
    zlib) ver="libz-mingw-w64-dev $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)" ;;
    libpng) ver=$(pinned libpng1.6) ;;
    *) ver=$(pinned "$lib") ;;
  esac
  {
    echo "$lib $ver $PREFIX $MAPFLAGS"
    $CXX --version | head -1
    declare -f "build_$lib" cmake_build unpack_source set_source_date
    [[ $lib == irrlicht ]] && echo "${IRR_CONFIG[*]}"
    cat "$TOOLCHAIN"
    for dep in "$@"; do echo "${KEY[$dep]}"; done
  } | sha256sum | cut -d' ' -f1
}

# build LIB [LIBS IT USES...]
build() {
  local lib=$1 log start
  KEY[$lib]=$(recipe_key "$@")
  if [[ -f $STAMPS/$lib.stamp && $(cat "$STAMPS/$lib.stamp") == "${KEY[$lib]}" ]]; then
    say "$lib: up to date"
    return
  fi
  mkdir -p "$WORK/logs" "$STAMPS"
  rm -f "$STAMPS/$lib.stamp"
  log=$WORK/logs/$lib.log
  start=$SECONDS
  say "$lib: building (log: $log)"
  # Errexit holds in the recipe only when its subshell is a plain command that sets it itself
  # (inside `if` or `||` bash ignores it).
  local status
  set +e
  (set -e; "build_$lib") >"$log" 2>&1
  status=$?
  set -e
  if ((status != 0)); then
    tail -n 40 "$log" >&2
    die "$lib failed; see $log"
  fi
  echo "${KEY[$lib]}" >"$STAMPS/$lib.stamp"
  say "$lib: done in $((SECONDS - start)) s"
}

install_packages
ensure_deb_src
for tool in "$CC" "$CXX" "$AR" cmake make dpkg-source; do
  command -v "$tool" >/dev/null || die "$tool is missing"
done
[[ -f /usr/$TRIPLE/lib/libz.a ]] || die "libz-mingw-w64-dev is missing"
mkdir -p "$PREFIX" "$WORK"
say "prefix: $PREFIX"
total=$SECONDS

build zlib
build libogg
build libvorbis libogg
build libpng zlib
build libsdl2
build irrlicht libpng zlib
build googletest

say "all done in $((SECONDS - total)) s; $(du -sh "$PREFIX" | cut -f1) in $PREFIX"
