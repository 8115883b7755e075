# Cross build of quintar-amiga for AmigaOS 4 (32-bit big-endian PowerPC) with
# the usual cross compiler, ppc-amigaos-gcc / ppc-amigaos-g++, and the
# AmigaOS 4 SDK, whose directory the user passes:
#
#   cmake -S . -B build-amiga -DCMAKE_TOOLCHAIN_FILE=cmake/ppc-amigaos.cmake \
#         -DAMIGAOS_SDK=/path/to/SDK [-DAMIGAOS_TOOLCHAIN_PREFIX=/path/to/bin/ppc-amigaos-]
#   cmake --build build-amiga --target quintar-amiga
#
# The front end then includes the SDK's own headers (proto/exec.h,
# proto/intuition.h, proto/timer.h, devices/timer.h, intuition/intuition.h)
# from ${AMIGAOS_SDK}/include/include_h, and the program links against the
# SDK's newlib C library.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(QUIN_AMIGAOS ON)

# Passed on to CMake's own compiler checks, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AMIGAOS_SDK AMIGAOS_TOOLCHAIN_PREFIX)

if(NOT AMIGAOS_SDK AND DEFINED ENV{AMIGAOS_SDK})
  set(AMIGAOS_SDK $ENV{AMIGAOS_SDK})
endif()
if(NOT AMIGAOS_SDK OR NOT EXISTS "${AMIGAOS_SDK}/include/include_h/proto/exec.h")
  message(FATAL_ERROR "AmigaOS 4 build: pass -DAMIGAOS_SDK=DIR, the SDK directory that holds "
                      "include/include_h/proto/exec.h (got '${AMIGAOS_SDK}')")
endif()
if(NOT AMIGAOS_TOOLCHAIN_PREFIX)
  set(AMIGAOS_TOOLCHAIN_PREFIX ppc-amigaos-)
endif()

set(CMAKE_C_COMPILER ${AMIGAOS_TOOLCHAIN_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${AMIGAOS_TOOLCHAIN_PREFIX}g++)

set(CMAKE_C_FLAGS_INIT "-mcrt=newlib -I${AMIGAOS_SDK}/include/include_h")
set(CMAKE_CXX_FLAGS_INIT "-mcrt=newlib -I${AMIGAOS_SDK}/include/include_h")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-mcrt=newlib -L${AMIGAOS_SDK}/newlib/lib")

set(CMAKE_FIND_ROOT_PATH ${AMIGAOS_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
