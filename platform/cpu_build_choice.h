// Whether the plain x86-64 program starts its x86-64-v3 build in its place
// (platform/posix/cpu_build_posix.cpp, platform/win32/cpu_build_win32.cpp):
// QUINTAR_PLAIN is unset or empty, and the processor and the system both
// allow the instructions (libgcc counts AVX and AVX2 only when the system
// saves their registers).  x86-64 GCC builds only.
#pragma once

#include <cstdlib>

inline bool cpu_build_wanted() {
    const char *plain = std::getenv("QUINTAR_PLAIN");
    if (plain && *plain) return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports("x86-64-v3");
}
