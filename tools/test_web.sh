#!/usr/bin/env bash
# The page build (tools/build_web.sh): the node build's perft, --eval and
# --bench answers and search suite held byte for byte (time and speed aside)
# against x86-64; then the page in chromium (web/test/), with a screenshot of
# each state in WEB_BUILD/screenshots.  Prints the suite's speed beside the
# x86-64 build's and "N passed, M failed".
#   WEB_BUILD   build folder            (default build-web)
#   HOST_BUILD  x86-64 reference tree   (default build-web/host-x86-64)
#   JOBS        parallel build jobs     (default 2)
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"

web_build=${WEB_BUILD:-$root/build-web}
HOST_BUILD=${HOST_BUILD:-$web_build/host-x86-64}
reference=$HOST_BUILD/quintar
wasm() { node "$web_build/wasm/quintar-node.js" "$@"; }

# (npm comes with the machines' node; Debian's nodejs needs its npm.)
# shellcheck disable=SC2046
install_packages --set web $(command -v npm >/dev/null || echo npm)
say "== building the page in $web_build and the x86-64 reference in $HOST_BUILD"
WEB_BUILD=$web_build JOBS=$jobs "$root/tools/build_web.sh" || die "page build failed"
reference_build "$HOST_BUILD" quintar search_bench || die "x86-64 build failed"
check "quintar-web and quintar-node are WebAssembly modules" eval \
    'file "$web_build/wasm/quintar-web.wasm" "$web_build/wasm/quintar-node.wasm" |
     grep -c "WebAssembly (wasm) binary module" | grep -qx 2'

say "== perft, evaluation and searches of the node build"
compare_modes wasm
check "search suite and its signature equal the x86-64 build's" \
    suite_equal node "$web_build/wasm/search_bench.js"
speed() { sed -nE 's/^total .* ([0-9]+) nodes per second$/\1/p' <<<"$1"; }
[ -n "${suite_target_output:-}" ] && native=$(speed "$suite_host_output") web=$(speed "$suite_target_output") &&
    say "search suite: x86-64 $native, WebAssembly under node $web nodes per second" \
        "(ratio $(awk -v a="$web" -v b="$native" 'BEGIN { printf "%.2f", a / b }'); run one after the other)"

say "== the page in chromium"
# Each test of web/test/ counts as one here; their report is shown when one
# fails or when they did not run.
browser_tests() {
    local report status line ran=0
    report=$(cd "$root/web" && QUIN_WEB_SITE=$web_build/site QUIN_WEB_ARTEFACTS=$web_build/screenshots \
        QUINTAR_REFERENCE=$reference timeout 900 node --test --test-reporter=tap test/ 2>&1)
    status=$?
    while IFS= read -r line; do
        case $line in
        "ok "*) ran=$((ran + 1)); check "page: ${line#ok * - }" true ;;
        "not ok "*) ran=$((ran + 1)); check "page: ${line#not ok * - }" false ;;
        esac
    done <<<"$report"
    [ "$ran" -gt 0 ] || check "the browser tests ran" false
    [ "$status" = 0 ] || say "$report" | tail -80
}
browser_tests
say "screenshots: $web_build/screenshots"
finish
