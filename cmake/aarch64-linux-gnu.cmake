# Cross build for 64-bit little-endian ARM Linux (Debian's
# g++-aarch64-linux-gnu), run under qemu-aarch64-static.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QUIN_CROSS_TRIPLE aarch64-linux-gnu)
set(QUIN_CROSS_QEMU /usr/bin/qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
