#!/usr/bin/env bash
# Big-endian proof: the Linux and AmigaOS (stand-in) front ends built for
# 32-bit big-endian PowerPC, the in-process unit tests run under
# qemu-ppc-static, and perft, evaluation and search answers held byte for
# byte (time and speed aside) against x86-64.  Prints "N passed, M failed".
#   PPC_BUILD   cross build tree         (default: build-ppc)
#   HOST_BUILD  x86-64 reference tree    (default: build-ppc/host-x86-64)
#   JOBS        parallel build jobs      (default: 2)
#   QUICK=1     skip the cross-built unit tests (comparisons only)
set -u
. "$(dirname "$0")/test_common.sh"
PPC_BUILD=${PPC_BUILD:-$root/build-ppc}
HOST_BUILD=${HOST_BUILD:-$root/build-ppc/host-x86-64}
QEMU=/usr/bin/qemu-ppc-static
reference=$HOST_BUILD/quintar
ppc() { "$QEMU" "$PPC_BUILD/quintar" "$@"; }

need=()
command -v powerpc-linux-gnu-g++ >/dev/null || need+=(g++-powerpc-linux-gnu)
[ -x "$QEMU" ] || need+=(qemu-user-static)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
install_packages "${need[@]}"

say "== building the x86-64 reference in $HOST_BUILD and PowerPC programs in $PPC_BUILD"
reference_build "$HOST_BUILD" quintar quintar-amiga-standin search_bench || die "x86-64 build failed"
{ cmake -S "$root" -B "$PPC_BUILD" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/powerpc-linux-gnu.cmake" >/dev/null &&
      cmake --build "$PPC_BUILD" -j"$jobs" --target quintar quintar-amiga-standin >/dev/null; } ||
    die "PowerPC build failed"
check "quintar is a big-endian PowerPC program" eval 'file "$PPC_BUILD/quintar" | grep -q "MSB.*PowerPC"'

# The AmigaOS front end also compiles for the 32-bit target as it does for
# AmigaOS itself: its own code path (the C library's atexit, not the
# stand-in's journal), against the headers named as the SDK's, where the
# layout checks of the system structures take effect: the timer request
# must be 40 bytes.
for src in amiga_main.cpp clock_amiga.cpp requester_amiga.cpp; do
    check "AmigaOS $src for 32-bit PowerPC" powerpc-linux-gnu-g++ -std=c++17 -Wall -Wextra -Wshadow -Werror \
        -I"$root" -I"$root/platform/amiga/standin/include" -fsyntax-only "$root/platform/amiga/$src"
done

# Test programs run in-process under qemu.  Programs whose tests start the
# engine as a child cannot (qemu runs no second PowerPC program without a
# binfmt entry) and are left out with the slow ones; the comparisons below
# cover those modes instead.
ppc_test() {  # a test added since the configure step needs one more
    { cmake --build "$PPC_BUILD" -j"$jobs" --target "$1" >/dev/null 2>&1 ||
        { cmake "$PPC_BUILD" >/dev/null 2>&1 && cmake --build "$PPC_BUILD" -j"$jobs" --target "$1" >/dev/null; }; } &&
        timeout "${TEST_TIMEOUT:-900}" "$QEMU" "$PPC_BUILD/$1" --gtest_brief=1
}
if [ "${QUICK:-0}" != 1 ]; then
    say "== cross-built unit tests under qemu"
    for src in "$root"/tests/*/*_test.cpp; do
        t=$(basename "$(dirname "$src")")_$(basename "$src" .cpp)
        case "$src" in *_slow_test.cpp) continue ;; esac
        grep -qE 'run_program|run_amiga|QUINTAR_BIN|QUINTAR_AMIGA_BIN|ChildProcess|popen|[ =]fork\(\)' "$src" &&
            continue
        check "$t under qemu" ppc_test "$t"
    done
fi

say "== perft, evaluation and searches"
compare_modes ppc

# The fixed search suite of bench/search_suite.h: per position the move,
# score, depth and nodes, and the node signature, must agree.
suite_mask() { sed -E '/^total /d' | awk '$1 != "position" && NF >= 7 { NF -= 2 } { print }'; }
suite() {
    cmake --build "$PPC_BUILD" -j"$jobs" --target quin_engine quin_platform >/dev/null &&
        powerpc-linux-gnu-g++ -std=c++17 -O2 -I"$root" -o "$PPC_BUILD/search_bench" \
            "$root/bench/search_bench.cpp" "$PPC_BUILD/libquin_engine.a" \
            "$PPC_BUILD/libquin_platform.a" -static -pthread &&
        same "search suite" "$("$HOST_BUILD/search_bench" | suite_mask)" \
            "$("$QEMU" "$PPC_BUILD/search_bench" | suite_mask)"
}
[ -f "$root/bench/search_bench.cpp" ] && check "search suite equals the x86-64 build" suite

# The AmigaOS front end on its stand-in layer: the same answers as its
# x86-64 build, and the same start-up requester journal.
amiga() { "$QEMU" "$PPC_BUILD/quintar-amiga-standin" "$@"; }
reference=$HOST_BUILD/quintar-amiga-standin compare_modes amiga
journal() {
    QUIN_STANDIN_LOG=$PPC_BUILD/journal.host "$HOST_BUILD/quintar-amiga-standin"
    QUIN_STANDIN_LOG=$PPC_BUILD/journal.ppc amiga
    cmp -s "$PPC_BUILD/journal."{host,ppc} && grep -q '^EasyRequestArgs' "$PPC_BUILD/journal.ppc"
}
check "AmigaOS requester journal equals the x86-64 build's" journal
finish
