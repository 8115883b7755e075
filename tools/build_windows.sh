#!/usr/bin/env bash
# Cross-builds the Windows program build-win/quintar-win.exe with MinGW-w64.
#   tools/build_windows.sh [extra cmake -D options]
# QUIN_WIN_BUILD overrides the build directory, QUIN_JOBS the parallel jobs.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIN_WIN_BUILD:-$root/build-win}
jobs=${QUIN_JOBS:-2}
cxx=x86_64-w64-mingw32-g++-posix

command -v "$cxx" >/dev/null 2>&1 || "$root/tools/install_deps.sh" --set mingw || exit 2

cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUIN_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$jobs" --target quintar-win
echo "$build/quintar-win.exe"
