#!/usr/bin/env bash
# Builds quintar (Release) and runs its main job: a depth-6 search of the
# start position, printed as UCI info and bestmove lines.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh --set run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUIN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target quintar
./build/quintar --bench "${1:-6}" "${@:2}"
