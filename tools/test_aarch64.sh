#!/usr/bin/env bash
# The Linux program built for aarch64 (static) under qemu-aarch64-static: its
# perft, --eval and --bench answers and search suite held byte for byte
# (time and speed aside) against x86-64, on the plain (non-SSE) code paths.
#   ARM_BUILD   cross build tree         (default: build-aarch64)
#   HOST_BUILD  x86-64 reference tree    (default: build-aarch64/host-x86-64)
#   JOBS        parallel build jobs      (default: 2)
#   UNIT=1      also run the in-process unit tests under qemu (longer)
set -u
# shellcheck source=tools/test_common.sh
. "$(dirname "$0")/test_common.sh"
CROSS_BUILD=${ARM_BUILD:-$root/build-aarch64}
HOST_BUILD=${HOST_BUILD:-$root/build-aarch64/host-x86-64}
CROSS_TOOLCHAIN=aarch64-linux-gnu.cmake
CROSS_CXX=aarch64-linux-gnu-g++
QEMU=/usr/bin/qemu-aarch64-static
reference=$HOST_BUILD/quintar
arm() { "$QEMU" "$CROSS_BUILD/quintar" "$@"; }

install_packages --set aarch64
say "== building the x86-64 reference in $HOST_BUILD and the aarch64 program in $CROSS_BUILD"
reference_build "$HOST_BUILD" quintar search_bench || die "x86-64 build failed"
cross_build quintar || die "aarch64 build failed"
check "quintar is a 64-bit little-endian ARM program" \
    eval 'file "$CROSS_BUILD/quintar" | grep -q "ELF 64-bit LSB.*ARM aarch64"'

if [ "${UNIT:-0}" = 1 ]; then
    say "== cross-built unit tests under qemu"
    cross_unit_tests
fi

say "== perft, evaluation and searches"
compare_modes arm
check "search suite and its signature equal the x86-64 build's" cross_suite
finish
