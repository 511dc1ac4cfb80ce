#!/usr/bin/env bash
# The tests of the Windows build: the export table of the 32-bit OrbiskPro.dll,
# the suites of every system built for Windows and run under Wine (the station
# library's against console-sim from the Linux build), then the
# Windows program end to end under Wine (tests/windows/end_to_end_test.py)
# against console-sim and pyftpdlib from the Linux build.
#
# Wine runs 32-bit programs through its 32-bit loader, which only a kernel
# able to execute 32-bit x86 programs can start. On a machine without that
# (a 64-bit-only kernel), the same sources are built and run as 64-bit
# Windows programs under 64-bit Wine instead, and the script says so.
#
# Usage: scripts/test_windows.sh WINDOWS_BUILD JOBS LINUX_BUILD
#        (WINDOWS_BUILD holds the 32-bit build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 jobs=$2 linux_build=$3

tests/windows/check_exports.sh "$build/bin/OrbiskPro.dll" stationlib/api

if scripts/runs_32bit.py; then
  arch=i686
  scripts/setup_wine.sh
  export TVL_WINE_LOADER=wine
else
  arch=x86_64
  echo "test_windows: this kernel ($(uname -r)) does not run 32-bit programs, nor Wine's 32-bit" \
       "loader: the suites run as 64-bit Windows programs under 64-bit Wine"
  scripts/setup.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64
  export TVL_WINE_LOADER=/usr/lib/wine/wine64
  build=$build-x64
fi
scripts/windows_deps.sh "$build/deps" $arch
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake \
  -DTVL_WINDOWS_ARCH=$arch -DTVL_WINDOWS_DEPS="$(realpath "$build")/deps" >/dev/null
cmake --build "$build" -j "$jobs"
# The station library's suites reach console-sim, on this side, through a broker.
scripts/wine_session.sh "$build" tests/windows/sim_broker.py "$linux_build/bin/console-sim" \
  "$build" 10 8 -- sh -c "cd '$build' && ctest --output-on-failure -j $jobs"
scripts/wine_session.sh "$build" python3 tests/windows/end_to_end_test.py "$PWD" "$linux_build" "$build"
