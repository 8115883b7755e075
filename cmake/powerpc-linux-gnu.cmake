# Cross build for 32-bit big-endian PowerPC Linux (Debian's
# g++-powerpc-linux-gnu), run under qemu-ppc-static.
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(QUIN_CROSS_TRIPLE powerpc-linux-gnu)
set(QUIN_CROSS_QEMU /usr/bin/qemu-ppc-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
