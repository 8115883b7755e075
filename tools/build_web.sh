#!/usr/bin/env bash
# Builds the page: the engine for the browser and node with Debian's
# emscripten (cmake/emscripten.cmake, cmake/web.cmake) in WEB_BUILD/wasm, the
# page's pinned libraries (npm ci in web/), and the page assembled in
# WEB_BUILD/site (web/assemble.mjs).  With "serve" it then serves the page on
# http://127.0.0.1:PORT/ (web/serve.mjs) until interrupted.
#   tools/build_web.sh [serve]
#   WEB_BUILD  build folder                      (default build-web)
#   PORT       the server's port, with "serve"  (default 8038)
#   JOBS       parallel build jobs               (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WEB_BUILD:-$root/build-web}
jobs=${JOBS:-2}

"$root/tools/install_deps.sh" --set webbuild $(command -v npm >/dev/null || echo npm)

(cd "$root/web" && npm ci --no-audit --no-fund --loglevel=error)

generator=()
[ -f "$build/wasm/CMakeCache.txt" ] || generator=(-G Ninja)
cmake "${generator[@]}" -S "$root" -B "$build/wasm" -DCMAKE_BUILD_TYPE=Release -DQUIN_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/emscripten.cmake" >/dev/null
cmake --build "$build/wasm" -j"$jobs" --target quintar-web quintar-node search_bench >"$build/wasm.log" 2>&1 ||
    { cat "$build/wasm.log"; exit 1; }
node "$root/web/assemble.mjs" --engine "$build/wasm" --out "$build/site"

if [ "${1:-}" = serve ]; then
    exec node "$root/web/serve.mjs" --root "$build/site" --port "${PORT:-8038}"
fi
