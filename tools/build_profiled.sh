#!/usr/bin/env bash
# Builds the Release quintar with profile-guided optimisation, as the
# shipped program is built:
#   1. the programs instrumented (QUIN_PROFILE=GENERATE) in DIR;
#   2. a training run: the fixed search suite, searches of the start
#      position, a middlegame, Kiwipete and a rook ending, and perft, which
#      between them reach every node routine, the quiet search, the
#      evaluation with its caches and the move generator; once for the
#      plain program and once for quintar-x86-64-v3 where the tree builds
#      it and the processor runs it (each has a profile of its own);
#   3. the programs compiled again in the same tree with that profile
#      (QUIN_PROFILE=USE).
# The searches are the same as a plain build's, node for node: the profile
# only decides how the code is laid out and inlined.
#   tools/build_profiled.sh DIR [CMAKE_OPTION]...
# QUIN_JOBS sets the parallel jobs (default: all cores); QUIN_TARGETS the
# programs built after training (default: quintar).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { echo "usage: tools/build_profiled.sh DIR [CMAKE_OPTION]..." >&2; exit 2; }
build=$1
shift
jobs=${QUIN_JOBS:-$(nproc)}
profile=$build/profile
generator=()
[ -f "$build/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)

configure() {  # configure PASS [CMAKE_OPTION]...
    local pass=$1
    shift
    cmake "${generator[@]}" -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUIN_TESTS=OFF \
        -DQUIN_PROFILE="$pass" -DQUIN_PROFILE_DIR="$profile" "$@" >/dev/null
}

# Step 1. The instrumented programs.
configure GENERATE "$@"
generator=()
cmake --build "$build" -j"$jobs" --target quintar search_bench >/dev/null
v3=
if [ -x "$build/quintar-x86-64-v3" ]; then
    cmake --build "$build" -j"$jobs" --target search_bench-x86-64-v3 >/dev/null
    "$build/quintar-x86-64-v3" --perft 1 >/dev/null 2>&1 && v3=-x86-64-v3
fi

# Step 2. Training, from an empty profile: the plain programs, then those
# for the processor.
rm -rf "$profile"
mkdir -p "$profile"
for suffix in "" $v3; do
    train() { QUINTAR_PLAIN=1 "$build/quintar$suffix" "$@" >/dev/null; }
    "$build/search_bench$suffix" >/dev/null
    train --bench 7
    train --bench 5 "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"
    train --bench 5 "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPPP/R3K2R w KQkq - 0 1"
    train --bench 6 "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
    train --perft 5
    train --perft 4 "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPPP/R3K2R w KQkq - 0 1"
done
[ -n "$(find "$profile" -name '*.gcda' -print -quit)" ] ||
    { echo "build_profiled: the training run left no profile in $profile" >&2; exit 1; }

# Step 3. The programs built again with the profile.
configure USE "$@"
# shellcheck disable=SC2086
cmake --build "$build" -j"$jobs" --target ${QUIN_TARGETS:-quintar} >/dev/null
# The training's search-suite programs, unless built again above, are still
# the instrumented ones, several times slower: gone, so that nothing times
# them by mistake (bench/compare builds them again with the profile).
for suite in search_bench search_bench-x86-64-v3; do
    [[ " ${QUIN_TARGETS:-quintar} " == *" $suite "* ]] || rm -f "$build/$suite"
done
echo "$build/quintar"
