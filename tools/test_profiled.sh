#!/usr/bin/env bash
# The profiled build (tools/build_profiled.sh) against the plain Release
# build: the same bytes for every perft, eval and bench answer, the status,
# usage and invalid-FEN answers, and the search suite with its node
# signature.  Prints "N passed, M failed".
#   PROFILED_BUILD  the profiled tree   (default: build-profiled)
#   HOST_BUILD      the plain tree      (default: build-profiled/plain)
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"
build=${PROFILED_BUILD:-$root/build-profiled}
HOST_BUILD=${HOST_BUILD:-$build/plain}
reference=$HOST_BUILD/quintar

say "== the plain reference in $HOST_BUILD and the profiled programs in $build"
reference_build "$HOST_BUILD" quintar search_bench || die "plain build failed"
QUIN_JOBS=$jobs QUIN_TARGETS="quintar search_bench" "$root/tools/build_profiled.sh" "$build" -DQUIN_WERROR=ON \
    >/dev/null || die "profiled build failed"
profiled() { "$build/quintar" "$@"; }
compare_modes profiled
same_suite() {
    local plain profiled
    plain=$("$HOST_BUILD/search_bench" | suite_mask)
    profiled=$("$build/search_bench" | suite_mask)
    same "search suite" "$plain" "$profiled" &&
        same "suite signature" "signature $kSuiteSignature" "$(grep '^signature ' <<<"$profiled")"
}
check "search suite and its signature equal the plain build's" same_suite
finish
