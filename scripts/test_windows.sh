#!/usr/bin/env bash
# The tests of the Windows build: the export table of the 32-bit OrbiskPro.dll,
# then the test suites built for Windows and run under Wine.
#
# Wine runs 32-bit programs through its 32-bit loader, which only a kernel
# able to execute 32-bit x86 programs can start. On a machine without that
# (a 64-bit-only kernel), the same sources are built and run as 64-bit
# Windows programs under 64-bit Wine instead, and the script says so.
#
# Usage: scripts/test_windows.sh BUILD JOBS   (BUILD holds the 32-bit build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 jobs=$2

tests/windows/check_exports.sh "$build/bin/OrbiskPro.dll" stationlib/api

scripts/setup_wine.sh
arch=i686
if ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
  arch=x86_64
  echo "test_windows: this machine cannot run 32-bit programs ($(uname -r)); the suites run as 64-bit Windows programs under 64-bit Wine"
  scripts/setup.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64
  build=$build-x64
fi
scripts/windows_deps.sh "$build/deps" $arch
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake \
  -DTVL_WINDOWS_ARCH=$arch -DTVL_WINDOWS_DEPS="$(realpath "$build")/deps" >/dev/null
cmake --build "$build" -j "$jobs"
export TVL_WINE_LOADER=wine
[ $arch = x86_64 ] && TVL_WINE_LOADER=/usr/lib/wine/wine64
scripts/wine_session.sh "$build" sh -c "cd '$build' && ctest --output-on-failure -j $jobs"
