# The part of the Debian cross toolchain files (powerpc-linux-gnu.cmake,
# aarch64-linux-gnu.cmake) that only differs by the target: they set
# QUIN_CROSS_TRIPLE, CMAKE_SYSTEM_PROCESSOR and QUIN_CROSS_QEMU and include
# this.  The programs are linked statically so that qemu-user needs no target
# library path and no binfmt entry.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${QUIN_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${QUIN_CROSS_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIN_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The host's GoogleTest package is not for this target: the build falls back
# to the sources in /usr/src/googletest.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(EXISTS ${QUIN_CROSS_QEMU})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUIN_CROSS_QEMU})
endif()
