// Whether the engine's vector code is built: the SSE2 versions where the
// compiler targets SSE2 (every x86-64 build), the AVX versions where it
// targets AVX too (the x86-64-v3 build), the plain versions beside them
// elsewhere and in portable builds (-DQUIN_PORTABLE=ON), which compile the
// plain versions on x86-64 too so that tests, sanitizers and fuzzers reach
// them.  Every header with vector code (its name ends in _simd.h) holds one
// concern in all its versions.
#pragma once

#if defined(__SSE2__) && !defined(QUIN_PORTABLE)
#define QUIN_SSE2 1
#include <emmintrin.h>
#endif

#if defined(__AVX__) && !defined(QUIN_PORTABLE)
#define QUIN_AVX 1
#include <immintrin.h>
#endif
