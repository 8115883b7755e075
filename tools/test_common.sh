# shellcheck shell=bash
# Sourced by the other tools/test_*.sh: the pass and fail count, package
# installs, the reference and cross builds, and the comparisons of another
# build's (wine, qemu) answers with the reference.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${QUIN_JOBS:-${JOBS:-2}}
passed=0
failed=0

say() { printf '%s\n' "$*"; }
die() { say "$(basename "$0"): $*" >&2; exit 2; }
finish() { say "$passed passed, $failed failed"; [ "$failed" = 0 ]; exit; }

check() {  # check NAME COMMAND...: one test; QUIN_ONLY=REGEX runs a subset
    local name=$1
    shift
    if [ -n "${QUIN_ONLY:-}" ] && ! [[ $name =~ $QUIN_ONLY ]]; then return 0; fi
    if "$@"; then passed=$((passed + 1)); say "PASS $name"; else failed=$((failed + 1)); say "FAIL $name"; fi
}

# install_packages [--set NAME]... [PKG]...: what is missing, through the one
# install script (under ./test.sh only a check that names what is missing).
install_packages() { "$root/tools/install_deps.sh" "$@" || die "packages missing: $*"; }

# reference_build DIR TARGET...: the x86-64 Linux programs, tests off; a
# tree configured before is only brought up to date, and not at all when
# ./test.sh has built it already.
reference_build() {
    local dir=$1
    shift
    [ "${QUIN_REFERENCE_READY:-0}" = 1 ] && return 0
    [ -f "$dir/CMakeCache.txt" ] || cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQUIN_TESTS=OFF >/dev/null ||
        return 1
    cmake --build "$dir" -j"$jobs" --target "$@" >/dev/null
}

same() {  # same LABEL EXPECTED ACTUAL
    [ "$2" == "$3" ] && return 0
    say "  $1 differs:"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /' | head -20
    return 1
}

# has_v3: whether the system reports the instructions of x86-64-v3 usable.
has_v3() {
    local flag
    for flag in avx avx2 bmi1 bmi2 fma f16c movbe abm; do grep -qw "$flag" /proc/cpuinfo || return 1; done
}

# started_program PROGRAM [ENV]...: the program the process runs (what /proc
# names it) once PROGRAM, started with ENV set, has answered "uci".
started_program() {
    local program=$1 pid exe line fifos
    shift
    fifos=$(mktemp -d)
    mkfifo "$fifos/in" "$fifos/out"
    env "$@" "$program" <"$fifos/in" >"$fifos/out" 2>/dev/null &
    pid=$!
    exec 9>"$fifos/in" 8<"$fifos/out"
    echo uci >&9
    while read -r -t 60 line <&8 && [ "$line" != uciok ]; do :; done
    exe=$(readlink "/proc/$pid/exe")
    echo quit >&9
    exec 8<&- 9>&-
    wait "$pid"
    rm -rf "$fifos"
    echo "$exe"
}

# The fields of an info line that depend on the machine's speed, and "\r".
mask() { tr -d '\r' | sed -E 's/ time [0-9]+//; s/ nps [0-9]+//'; }

# Positions: openings, middlegames, castling, en passant, promotions, the
# winning-king endings, mate and stalemate; "DEPTH FEN", DEPTH for --bench.
positions() {
    cat <<'EOF'
3 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1
3 rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2
3 r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4
2 rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3
3 r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8
3 r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
3 r3k2r/pppbbppp/2n2q1P/1P2p3/3pn3/BN2PNP1/P1PPQPB1/R3K2R b KQkq - 0 1
4 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1
3 r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1
3 rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8
3 r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10
3 6k1/5p1p/6p1/8/8/8/5PPP/3R2K1 w - - 0 1
3 8/8/8/2k5/2pP4/8/B7/4K3 b - d3 0 3
4 8/8/8/4k3/8/8/8/4KQ2 w - - 0 1
4 3k4/8/8/8/8/8/8/r3K3 b - - 0 1
3 8/8/8/8/4k3/8/8/2BNK3 w - - 0 1
2 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1
4 8/8/4k3/8/8/3K4/4P3/8 w - - 0 1
3 1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1
4 8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1
EOF
}

# Published perft counts: "DEPTH COUNT FEN".
perft_positions() {
    cat <<'EOF'
3 8902 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1
2 2039 r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
4 43238 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1
3 9467 r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1
2 1486 rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8
1 7 8/P7/8/8/8/8/8/k6K w - - 0 1
EOF
}

answer() { "$@" 2>&1 </dev/null | mask; echo "status ${PIPESTATUS[0]}"; }  # all it prints, masked

# compare_modes OTHER...: the program run by OTHER... answers the status,
# usage, invalid-FEN, perft (the published counts), eval and bench requests
# as $reference does; one test each.
compare_modes() {
    local depth count fen mode ok args
    ok=0
    for args in --status --frob "--perft 3 not-a-fen"; do
        # shellcheck disable=SC2086
        same "$args" "$(answer "$reference" $args)" "$(answer "$@" $args)" || ok=1
    done
    check "status, usage and invalid FEN" test $ok = 0
    ok=0
    while read -r depth count fen; do
        same "perft $depth of $fen" "$count $count" \
            "$("$reference" --perft "$depth" "$fen" | mask) $("$@" --perft "$depth" "$fen" | mask)" ||
            ok=1
    done < <(perft_positions)
    check "perft counts" test $ok = 0
    for mode in eval bench; do
        ok=0
        while read -r depth fen; do
            [ $mode = eval ] && depth=0
            same "--$mode $depth $fen" "$("$reference" --$mode "$depth" "$fen" 2>&1 | mask)" \
                "$("$@" --$mode "$depth" "$fen" 2>&1 | mask)" || ok=1
        done < <(positions)
        check "--$mode of $(positions | wc -l) positions equals the Linux build" test $ok = 0
    done
}

# A Linux cross build's checks under qemu-user.  The caller sets CROSS_BUILD
# and HOST_BUILD (the cross and the x86-64 trees), CROSS_CXX, QEMU and
# CROSS_TOOLCHAIN (the toolchain file under cmake/).
cross_build() {  # cross_build TARGET...
    cmake -S "$root" -B "$CROSS_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$CROSS_TOOLCHAIN" >/dev/null &&
        cmake --build "$CROSS_BUILD" -j"$jobs" --target "$@" >/dev/null
}

# cross_unit_tests: each unit test program (CROSS_TESTS=REGEX: a subset) built
# for the target and run under qemu, but the slow ones and those that start
# the engine as a child (qemu runs no second target program without a
# binfmt entry; compare_modes covers those modes).
cross_unit_tests() {
    local src t
    for src in "$root"/tests/*/*_test.cpp; do
        t=$(basename "$(dirname "$src")")_$(basename "$src" .cpp)
        case "$src" in *_slow_test.cpp) continue ;; esac
        [[ $t =~ ${CROSS_TESTS:-.} ]] || continue
        grep -qE 'run_program|run_amiga|QUINTAR_BIN|QUINTAR_AMIGA_BIN|ChildProcess|popen|[ =]fork\(\)' "$src" &&
            continue
        check "$t under qemu" cross_test "$t"
    done
}
cross_test() {  # a test added since the configure step needs one more
    { cmake --build "$CROSS_BUILD" -j"$jobs" --target "$1" >/dev/null 2>&1 ||
        { cmake "$CROSS_BUILD" >/dev/null 2>&1 && cmake --build "$CROSS_BUILD" -j"$jobs" --target "$1" >/dev/null; }; } &&
        timeout "${TEST_TIMEOUT:-900}" "$QEMU" "$CROSS_BUILD/$1" --gtest_brief=1
}

# cross_suite: the fixed search suite of bench/search_suite.h built for the
# target and run under qemu, held against the x86-64 build's (suite_equal).
kSuiteSignature=1074600
cross_suite() {
    cmake --build "$CROSS_BUILD" -j"$jobs" --target quin_engine quin_platform >/dev/null &&
        "$CROSS_CXX" -std=c++17 -O2 -I"$root" -o "$CROSS_BUILD/search_bench" \
            "$root/bench/search_bench.cpp" "$CROSS_BUILD/libquin_engine.a" \
            "$CROSS_BUILD/libquin_platform.a" -static -pthread || return 1
    suite_equal "$QEMU" "$CROSS_BUILD/search_bench"
}
# suite_equal PROGRAM...: the search suite run by PROGRAM... gives per
# position the move, score, depth and nodes of $HOST_BUILD/search_bench, and
# the node signature is 1074600; the outputs stay in suite_host_output and
# suite_target_output (run one after the other).
suite_equal() {
    local host target
    suite_host_output=$("$HOST_BUILD/search_bench")
    suite_target_output=$("$@")
    host=$(suite_mask <<<"$suite_host_output")
    target=$(suite_mask <<<"$suite_target_output")
    same "search suite" "$host" "$target" &&
        same "suite signature" "signature $kSuiteSignature" "$(grep '^signature ' <<<"$target")"
}
suite_mask() { sed -E '/^total /d' | awk '$1 != "position" && NF >= 7 { NF -= 2 } { print }'; }
