#!/usr/bin/env bash
# The profiled build (tools/build_profiled.sh) and quintar-x86-64-v3 give the
# plain Release program's bytes (compare_modes, the search suite); quintar
# starts the x86-64-v3 build exactly when the processor has its
# instructions, QUINTAR_PLAIN is not set and the build stands beside it.
#   PROFILED_BUILD  the profiled tree   (default: build-profiled)
#   HOST_BUILD      the plain tree      (default: build-profiled/plain)
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"
build=${PROFILED_BUILD:-$root/build-profiled}
HOST_BUILD=${HOST_BUILD:-$build/plain}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The reference is the plain program itself, never the build it may start.
reference=$scratch/plain-quintar
printf '#!/bin/sh\nQUINTAR_PLAIN=1 exec "%s" "$@"\n' "$HOST_BUILD/quintar" >"$reference"
chmod +x "$reference"

say "== the plain reference in $HOST_BUILD and the profiled programs in $build"
reference_build "$HOST_BUILD" quintar search_bench || die "plain build failed"
QUIN_JOBS=$jobs QUIN_TARGETS="quintar search_bench" "$root/tools/build_profiled.sh" "$build" -DQUIN_WERROR=ON \
    >/dev/null || die "profiled build failed"
profiled() { QUINTAR_PLAIN=1 "$build/quintar" "$@"; }
compare_modes profiled
check "search suite and its signature equal the plain build's" suite_equal "$build/search_bench"

# The x86-64-v3 build, where the tree makes it and the processor runs it.
if [ -x "$build/quintar-x86-64-v3" ] && has_v3; then
    for tree in "$HOST_BUILD" "$build"; do
        v3() { "$tree/quintar-x86-64-v3" "$@"; }
        compare_modes v3
        # (./test.sh's Release tree has it built already, and is not built twice at once)
        [ "$tree" = "$HOST_BUILD" ] && [ "${QUIN_REFERENCE_READY:-0}" = 1 ] ||
            cmake --build "$tree" -j"$jobs" --target search_bench-x86-64-v3 >/dev/null
        check "x86-64-v3 search suite of $(basename "$tree") equals the plain build's" \
            suite_equal "$tree/search_bench-x86-64-v3"
    done
else
    say "(no x86-64-v3 build here, or the processor lacks its instructions: its checks skipped)"
fi

start_choice() {
    local expected=$build/quintar alone=$scratch/alone
    [ -x "$build/quintar-x86-64-v3" ] && has_v3 && expected=$build/quintar-x86-64-v3
    mkdir -p "$alone" && cp "$build/quintar" "$alone/quintar"
    same "started by default" "$expected" "$(started_program "$build/quintar")" &&
        same "started with QUINTAR_PLAIN=1" "$build/quintar" "$(started_program "$build/quintar" QUINTAR_PLAIN=1)" &&
        same "started with QUINTAR_PLAIN empty" "$expected" "$(started_program "$build/quintar" QUINTAR_PLAIN=)" &&
        same "started without the build beside it" "$alone/quintar" "$(started_program "$alone/quintar")" ||
        return 1
    # A plain program under the build's name is started once, not again
    # and again.
    has_v3 || return 0
    cp "$build/quintar" "$alone/quintar-x86-64-v3"
    same "started with a plain program as the build" "$alone/quintar-x86-64-v3" \
        "$(started_program "$alone/quintar")"
}
check "quintar starts the x86-64-v3 build only where it may" start_choice
finish
