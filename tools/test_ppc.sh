#!/usr/bin/env bash
# Big-endian proof: builds the engine with the Linux front end (and the
# AmigaOS front end on its stand-in layer) for 32-bit big-endian PowerPC,
# runs the in-process unit tests under qemu-ppc-static, and holds the
# PowerPC program against the x86-64 one: perft counts, static evaluations
# and fixed-depth search results must agree byte for byte (search time and
# speed aside).  Prints "N passed, M failed" and exits non-zero on failure.
#
#   PPC_BUILD   cross build tree         (default: build-ppc)
#   HOST_BUILD  x86-64 reference tree    (default: build-ppc/host-x86-64)
#   JOBS        parallel build jobs      (default: 2)
#   QUICK=1     skip the cross-built unit tests (comparisons only)
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PPC_BUILD=${PPC_BUILD:-$ROOT/build-ppc}
HOST_BUILD=${HOST_BUILD:-$ROOT/build-ppc/host-x86-64}
JOBS=${JOBS:-2}
QUICK=${QUICK:-0}
QEMU=/usr/bin/qemu-ppc-static
TEST_TIMEOUT=${TEST_TIMEOUT:-900}

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*"
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit $?
}

# ------------------------------------------------------------ tools
need=()
command -v powerpc-linux-gnu-g++ >/dev/null || need+=(g++-powerpc-linux-gnu)
[ -x "$QEMU" ] || need+=(qemu-user-static)
command -v cmake >/dev/null || need+=(cmake)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
if [ ${#need[@]} -gt 0 ]; then
    echo "installing: ${need[*]}"
    SUDO=
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
if ! command -v powerpc-linux-gnu-g++ >/dev/null || [ ! -x "$QEMU" ]; then
    fail "cross compiler or qemu-ppc-static missing"
    finish
fi

# ------------------------------------------------------------ builds
echo "== building x86-64 reference in $HOST_BUILD"
if ! { cmake -S "$ROOT" -B "$HOST_BUILD" -DCMAKE_BUILD_TYPE=Release -DQUIN_TESTS=OFF >/dev/null &&
       cmake --build "$HOST_BUILD" -j"$JOBS" --target quintar quintar-amiga-standin >/dev/null; }; then
    fail "x86-64 build"
    finish
fi
echo "== building PowerPC programs in $PPC_BUILD"
if ! { cmake -S "$ROOT" -B "$PPC_BUILD" -DCMAKE_BUILD_TYPE=Release \
             -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/powerpc-linux-gnu.cmake" >/dev/null &&
       cmake --build "$PPC_BUILD" -j"$JOBS" --target quintar quintar-amiga-standin >/dev/null; }; then
    fail "PowerPC build"
    finish
fi
if file "$PPC_BUILD/quintar" | grep -q "MSB.*PowerPC"; then pass; else fail "quintar is not a big-endian PowerPC program"; fi

HOST="$HOST_BUILD/quintar"
PPC="$QEMU $PPC_BUILD/quintar"

# The AmigaOS sources also compile for the 32-bit target as they would for
# AmigaOS itself (no stand-in), where the layout checks of the system
# structures take effect: the timer request must be 40 bytes.
for src in clock_amiga.cpp requester_amiga.cpp; do
    if powerpc-linux-gnu-g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only \
            "$ROOT/platform/amiga/$src" 2>/tmp/quin_ppc_amiga.$$; then
        pass
    else
        fail "AmigaOS source $src for 32-bit PowerPC: $(head -3 /tmp/quin_ppc_amiga.$$)"
    fi
    rm -f /tmp/quin_ppc_amiga.$$
done

# ------------------------------------------------------------ unit tests
# Test programs run in-process under qemu.  Tests that start the engine as
# a child program cannot (qemu runs no second PowerPC program without a
# binfmt entry): they are left out here; the comparisons below cover those
# modes instead.  Slow-labelled files are left out as well.
if [ "$QUICK" != 1 ]; then
    echo "== cross-built unit tests under qemu"
    spawning='run_program|run_words|run_amiga|QUINTAR_BIN|QUINTAR_AMIGA_BIN|UciProcess|popen|fork\(|execv'
    targets=()
    filters=()
    for src in "$ROOT"/tests/*/*_test.cpp; do
        case "$src" in *_slow_test.cpp) continue ;; esac
        area=$(basename "$(dirname "$src")")
        name=$(basename "$src" .cpp)
        # A negative filter naming each TEST that starts a program, directly
        # or through a helper function of the same file that does.
        excluded=$(awk -v pat="$spawning" '
            # First pass: helper functions (defined at the left margin) that
            # start a program; their names join the pattern.
            FNR == NR {
                if ($0 ~ /^[A-Za-z].*[A-Za-z_0-9]+\(/ && $0 !~ /^(TEST|TEST_F|TEST_P)\(/ &&
                    $0 !~ /;[ \t]*$/) {
                    fn = $0; sub(/\(.*/, "", fn); sub(/.*[^A-Za-z_0-9]/, "", fn)
                }
                if ($0 ~ /^}/) fn = ""
                if (fn != "") bodies[fn] = bodies[fn] "\n" $0
                next
            }
            FNR == 1 {
                # Helpers that call such helpers, until nothing new turns up.
                do {
                    changed = 0
                    for (f in bodies)
                        if (!(f in helpers) && bodies[f] ~ pat) {
                            helpers[f] = 1
                            pat = pat "|" f "\\("
                            changed = 1
                        }
                } while (changed)
            }
            function flush() { if (id != "" && hit) out = out (out == "" ? "" : ":") id }
            /^(TEST|TEST_F|TEST_P)\(/ {
                flush()
                s = $0; sub(/^[A-Z_]+\(/, "", s); sub(/\).*/, "", s); gsub(/ /, "", s)
                split(s, p, ",")
                id = ($0 ~ /^TEST_P/) ? "*" p[1] "." p[2] "/*" : p[1] "." p[2]
                hit = 0
                next
            }
            id != "" && $0 ~ pat { hit = 1 }
            END { flush(); print out }' "$src" "$src")
        total=$(grep -cE '^(TEST|TEST_F|TEST_P)\(' "$src")
        if [ -n "$excluded" ] && [ "$(echo "$excluded" | tr ':' '\n' | wc -l)" -ge "$total" ]; then
            echo "  ${area}_${name} skipped (every test starts a program)"
            continue
        fi
        targets+=("${area}_${name}")
        filters+=("$excluded")
    done
    for i in "${!targets[@]}"; do
        t=${targets[$i]}
        # A test file added since the configure step needs one more.
        if ! cmake --build "$PPC_BUILD" -j"$JOBS" --target "$t" >/tmp/quin_ppc_build.$$ 2>&1 &&
           ! { cmake "$PPC_BUILD" >/dev/null 2>&1 &&
               cmake --build "$PPC_BUILD" -j"$JOBS" --target "$t" >/tmp/quin_ppc_build.$$ 2>&1; }; then
            fail "build of $t for PowerPC: $(grep -m3 -E 'error|No rule' /tmp/quin_ppc_build.$$)"
            continue
        fi
        filter=
        [ -n "${filters[$i]}" ] && filter="--gtest_filter=-${filters[$i]}"
        start=$(date +%s)
        if timeout "$TEST_TIMEOUT" "$QEMU" "$PPC_BUILD/$t" --gtest_brief=1 $filter \
                >/tmp/quin_ppc_test.$$ 2>&1; then
            pass
            echo "  $t ok ($(($(date +%s) - start)) s)"
        else
            fail "$t under qemu"
            grep -E '^\[  FAILED|Failure|error' /tmp/quin_ppc_test.$$ | head -20
        fi
    done
    rm -f /tmp/quin_ppc_build.$$ /tmp/quin_ppc_test.$$
fi

# ------------------------------------------------------------ perft
# FEN, depth and the count every correct move generator gives (each one
# confirmed against an independent generator).
echo "== perft"
while IFS='|' read -r fen depth count; do
    [ -z "$fen" ] && continue
    host=$("$HOST" --perft "$depth" "$fen" 2>&1)
    ppc=$($PPC --perft "$depth" "$fen" 2>&1)
    if [ "$host" != "$ppc" ]; then
        fail "perft $depth '$fen': x86-64 $host, PowerPC $ppc"
    elif [ "$ppc" != "$count" ]; then
        fail "perft $depth '$fen': $ppc, known $count"
    else
        pass
    fi
done <<'EOF'
rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1|3|8902
r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1|2|2039
8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1|4|43238
r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1|3|9467
r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1|3|9467
rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8|2|1486
r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10|2|1845
8/P7/8/8/8/8/8/k6K w - - 0 1|1|7
EOF

# ------------------------------------------------------------ evaluation
# Openings, middlegames, the winning-king endings, en passant, castling,
# mate and stalemate positions, and colour mirrors of some of them.
echo "== static evaluation"
while IFS= read -r fen; do
    [ -z "$fen" ] && continue
    host=$("$HOST" --eval 0 "$fen" 2>&1)
    ppc=$($PPC --eval 0 "$fen" 2>&1)
    if [ "$host" = "$ppc" ] && [ -n "$ppc" ]; then pass; else fail "eval '$fen': x86-64 '$host', PowerPC '$ppc'"; fi
done <<'EOF'
rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1
rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1
rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2
r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3
rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2
rnbqkb1r/pp1p1ppp/4pn2/2p5/2PP4/5N2/PP2PPPP/RNBQKB1R w KQkq - 0 4
r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4
rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3
r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 1
r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8
2kr3r/pp1q1ppp/2n1bn2/3p4/3P4/2NBPN2/PPQ2PPP/R4RK1 w - - 0 1
r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
r3k2r/pppbbppp/2n2q1P/1P2p3/3pn3/BN2PNP1/P1PPQPB1/R3K2R b KQkq - 0 1
8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1
r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1
r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1
rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8
r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10
r1bqk2r/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQK2R w KQkq - 0 6
3r2k1/pp3ppp/2p5/8/3P4/2N5/PP3PPP/3R2K1 b - - 0 20
2r3k1/pp3ppp/8/3R4/8/8/PPP2PPP/6K1 w - - 0 1
6k1/5p1p/6p1/8/8/8/5PPP/3R2K1 w - - 0 1
5rk1/5ppp/8/8/8/8/q4PPP/1R4K1 w - - 0 1
r5k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1
r3k3/8/8/3N4/8/8/8/4K3 w q - 0 1
r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1
r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1
8/8/8/2k5/2pP4/8/B7/4K3 b - d3 0 3
8/8/8/4k3/8/8/8/4KQ2 w - - 0 1
8/8/8/4k3/8/8/8/4KQ2 b - - 0 1
8/8/8/3k4/8/8/8/R3K3 w - - 0 1
3k4/8/8/8/8/8/8/r3K3 b - - 0 1
8/8/8/8/4k3/8/8/2BNK3 w - - 0 1
8/8/8/3k4/8/8/3rQ3/4K3 w - - 0 1
7k/8/6KQ/8/8/8/8/8 b - - 0 1
7k/5Q2/6K1/8/8/8/8/8 b - - 0 1
8/8/4k3/8/8/3K4/4P3/8 w - - 0 1
8/4p3/3k4/8/8/4K3/8/8 b - - 0 1
1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1
8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1
8/8/1p6/1P1k4/8/3K4/8/8 w - - 0 1
3k4/3P4/3K4/8/8/8/8/8 b - - 0 1
6k1/5ppp/8/8/8/8/PPP5/1K6 w - - 0 1
4k3/8/8/8/8/8/4P3/4K3 w - - 0 1
4k3/4p3/8/8/8/8/8/4K3 b - - 0 1
EOF

# ------------------------------------------------------------ search
# Fixed-depth searches: move, score, depth, nodes and line must agree; only
# the time and speed fields of the info line may differ.
echo "== bench searches"
mask() { sed -E 's/ time [0-9]+ nps [0-9]+/ time T nps N/'; }
while IFS='|' read -r depth fen; do
    [ -z "$depth" ] && continue
    if [ -n "$fen" ]; then
        host=$("$HOST" --bench "$depth" "$fen" 2>&1 | mask)
        ppc=$($PPC --bench "$depth" "$fen" 2>&1 | mask)
    else
        host=$("$HOST" --bench "$depth" 2>&1 | mask)
        ppc=$($PPC --bench "$depth" 2>&1 | mask)
    fi
    if [ "$host" = "$ppc" ] && [ -n "$ppc" ]; then
        pass
    else
        fail "bench $depth '$fen':"
        diff <(echo "$host") <(echo "$ppc") | sed 's/^/    /'
    fi
done <<'EOF'
1|
3|
5|
3|r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
4|8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1
3|r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4
3|r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10
4|8/8/8/4k3/8/8/8/4KQ2 w - - 0 1
4|8/8/4k3/8/8/3K4/4P3/8 w - - 0 1
3|6k1/5p1p/6p1/8/8/8/5PPP/3R2K1 w - - 0 1
2|rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3
EOF

# ------------------------------------------------------------ search suite
# The fixed search suite of bench/search_suite.h, built for both machines:
# per position the move, score, depth and nodes, and the node signature,
# must agree (the milliseconds and speed columns are left out).
echo "== search suite"
suite_mask() { sed -E '/^total /d' | awk '$1 != "position" && NF >= 7 { NF -= 2 } { print }'; }
if [ -f "$ROOT/bench/search_bench.cpp" ]; then
    if cmake --build "$HOST_BUILD" -j"$JOBS" --target search_bench >/dev/null 2>&1 &&
       cmake --build "$PPC_BUILD" -j"$JOBS" --target quin_engine quin_platform >/dev/null 2>&1 &&
       powerpc-linux-gnu-g++ -std=c++17 -O2 -I"$ROOT" -o "$PPC_BUILD/search_bench" \
           "$ROOT/bench/search_bench.cpp" "$PPC_BUILD/libquin_engine.a" \
           "$PPC_BUILD/libquin_platform.a" -static -pthread; then
        host=$("$HOST_BUILD/search_bench" 2>&1 | suite_mask)
        ppc=$("$QEMU" "$PPC_BUILD/search_bench" 2>&1 | suite_mask)
        if [ "$host" = "$ppc" ] && echo "$ppc" | grep -q '^signature '; then
            pass
            echo "$ppc" | grep '^signature '
        else
            fail "search suite differs:"
            diff <(echo "$host") <(echo "$ppc") | sed 's/^/    /'
        fi
    else
        fail "search suite build"
    fi
fi

# ------------------------------------------------------------ AmigaOS front end
# The AmigaOS front end on its stand-in layer, big-endian: the same bytes as
# its x86-64 build, and the start-up requester journal.
echo "== AmigaOS front end (stand-in) on PowerPC"
AHOST="$HOST_BUILD/quintar-amiga-standin"
APPC="$QEMU $PPC_BUILD/quintar-amiga-standin"
for args in "--status" "--perft 3" "--eval" "--bench 3" "--perft 7" "--frob"; do
    host=$($AHOST $args 2>&1 | mask; echo "status ${PIPESTATUS[0]}")
    ppc=$($APPC $args 2>&1 | mask; echo "status ${PIPESTATUS[0]}")
    if [ "$host" = "$ppc" ]; then pass; else fail "amiga $args: x86-64 '$host', PowerPC '$ppc'"; fi
done
jdir=$(mktemp -d)
QUIN_STANDIN_LOG=$jdir/host $AHOST
QUIN_STANDIN_LOG=$jdir/ppc $APPC
if [ -s "$jdir/ppc" ] && cmp -s "$jdir/host" "$jdir/ppc" && grep -q '^EasyRequestArgs' "$jdir/ppc"; then
    pass
else
    fail "amiga requester journal differs"
fi
rm -rf "$jdir"

finish
