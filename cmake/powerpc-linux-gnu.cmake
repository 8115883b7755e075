# Cross build for 32-bit big-endian PowerPC Linux (Debian's
# g++-powerpc-linux-gnu), run under qemu-ppc-static.  The programs are linked
# statically so that qemu needs no target library path and no binfmt entry.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(CMAKE_C_COMPILER powerpc-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/powerpc-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The host's GoogleTest package is not for this target: the build falls back
# to the sources in /usr/src/googletest.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(EXISTS /usr/bin/qemu-ppc-static)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-ppc-static)
endif()
