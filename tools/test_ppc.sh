#!/usr/bin/env bash
# The Linux and AmigaOS (stand-in) front ends built for 32-bit big-endian
# PowerPC: the unit tests under qemu-ppc-static, and perft, evaluation and
# search answers held byte for byte (time and speed aside) against x86-64.
#   PPC_BUILD   cross build tree         (default: build-ppc)
#   HOST_BUILD  x86-64 reference tree    (default: build-ppc/host-x86-64)
#   JOBS        parallel build jobs      (default: 2)
#   QUICK=1     skip the cross-built unit tests (comparisons only)
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"
CROSS_BUILD=${PPC_BUILD:-$root/build-ppc}
HOST_BUILD=${HOST_BUILD:-$root/build-ppc/host-x86-64}
CROSS_TOOLCHAIN=powerpc-linux-gnu.cmake
CROSS_CXX=powerpc-linux-gnu-g++
QEMU=/usr/bin/qemu-ppc-static
reference=$HOST_BUILD/quintar
ppc() { "$QEMU" "$CROSS_BUILD/quintar" "$@"; }

install_packages --set powerpc
say "== building the x86-64 reference in $HOST_BUILD and PowerPC programs in $CROSS_BUILD"
reference_build "$HOST_BUILD" quintar quintar-amiga-standin search_bench || die "x86-64 build failed"
cross_build quintar quintar-amiga-standin || die "PowerPC build failed"
check "quintar is a big-endian PowerPC program" eval 'file "$CROSS_BUILD/quintar" | grep -q "MSB.*PowerPC"'

# The AmigaOS front end's own code path (not the stand-in's) compiles for the
# 32-bit target against the headers named as the SDK's, where the layout
# checks of the system structures (a 40-byte timer request) take effect.
for src in frontend/amiga_main.cpp platform/amiga/clock_amiga.cpp platform/amiga/requester_amiga.cpp \
    platform/amiga/file_amiga.cpp; do
    check "AmigaOS $(basename "$src") for 32-bit PowerPC" "$CROSS_CXX" -std=c++17 -Wall -Wextra -Wshadow \
        -Werror -I"$root" -I"$root/platform/amiga/standin/include" -fsyntax-only "$root/$src"
done

if [ "${QUICK:-0}" != 1 ]; then
    say "== cross-built unit tests under qemu"
    cross_unit_tests
fi

say "== perft, evaluation and searches"
compare_modes ppc
[ -f "$root/bench/search_bench.cpp" ] && check "search suite and its signature equal the x86-64 build's" cross_suite

# The AmigaOS stand-in: the same answers and requester journal as on x86-64.
amiga() { "$QEMU" "$CROSS_BUILD/quintar-amiga-standin" "$@"; }
reference=$HOST_BUILD/quintar-amiga-standin compare_modes amiga
journal() {
    QUIN_STANDIN_LOG=$CROSS_BUILD/journal.host "$HOST_BUILD/quintar-amiga-standin"
    QUIN_STANDIN_LOG=$CROSS_BUILD/journal.ppc amiga
    cmp -s "$CROSS_BUILD/journal."{host,ppc} && grep -q '^EasyRequestArgs' "$CROSS_BUILD/journal.ppc"
}
check "AmigaOS requester journal equals the x86-64 build's" journal
finish
