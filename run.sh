#!/usr/bin/env bash
# Builds quintar (Release, profile-guided: tools/build_profiled.sh) and runs
# its main job: a depth-6 search of the start position, printed as UCI info
# and bestmove lines.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh --set run
tools/build_profiled.sh build >/dev/null
./build/quintar --bench "${1:-6}" "${@:2}"
