#!/usr/bin/env bash
# build-qt-windows.sh [--where | PREFIX]: cross-builds Qt 6 qtbase (Core, Gui, Widgets, PrintSupport, Test,
# Concurrent; shared DLLs, the windows and offscreen platform plugins) for 64-bit Windows with
# Debian's MinGW-w64 (posix threads), from Debian's own qt6-base source, so that the window can
# be built for Windows and run under Wine. The host's Qt tools of the same version (moc, rcc, uic)
# serve the cross build. PREFIX defaults to a cache folder outside any build tree, kept between
# runs: ${XDG_CACHE_HOME:-~/.cache}/vx42/qt6-mingw-VERSION. Prints the prefix on its last line.
# When PREFIX already holds a finished build it returns at once. --where prints the default
# prefix and builds nothing.
#
# Debian's source drops the Wintab headers. With tablet input off, the Windows platform plugin
# still reached for them through the dynamic OpenGL switch, so dynamic GL is off too (the tool
# draws with QPainter only). Takes about 22 minutes on 2 cores with nothing else running.
set -euo pipefail
version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+-].*//')
if [ "${1:-}" = --where ]; then
  realpath -m "${XDG_CACHE_HOME:-$HOME/.cache}/vx42/qt6-mingw-$version"
  exit 0
fi
prefix=$(realpath -m "${1:-${XDG_CACHE_HOME:-$HOME/.cache}/vx42/qt6-mingw-$version}")
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
work=$prefix.work
jobs=${JOBS:-$(nproc)}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# Debian's source packages: a deb-src entry beside the binary one, added once.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Adding Debian's source archive to apt's sources" >&2
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  $sudo tee /etc/apt/sources.list.d/vx42-debian-src.sources >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  $sudo apt-get update -qq
fi

mkdir -p "$work" && cd "$work"
if [ ! -d qtbase ]; then
  apt-get source --download-only -q qt6-base >/dev/null
  dpkg-source -x qt6-base_*.dsc qtbase >/dev/null
fi
cat > toolchain.cmake <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
start=$(date +%s)
if [ ! -f build/build.ninja ]; then
  cmake -S qtbase -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_dynamicgl=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
    -DCMAKE_CXX_FLAGS="-Wno-deprecated-declarations" >"$work/configure.log" 2>&1 ||
    { tail -30 "$work/configure.log" >&2; exit 1; }
fi
cmake --build build -j "$jobs" >"$work/build.log" 2>&1 || { tail -30 "$work/build.log" >&2; exit 1; }
cmake --install build >"$work/install.log" 2>&1
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll 2>/dev/null || true
echo "built in $(( ($(date +%s) - start) / 60 )) minutes" > "$prefix/.complete"
echo "Qt for Windows built in $(( ($(date +%s) - start) / 60 )) minutes" >&2
echo "$prefix"
