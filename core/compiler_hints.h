// Hints to the compiler that change speed only, never a result: named here
// so that the core's code does not spell out compiler attributes, and empty
// for compilers that do not know them.
#pragma once

#if defined(__GNUC__)
// Inline in every caller, past the compiler's own size limits (the piece
// rules folded into loops over many candidates).
#define QUIN_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define QUIN_ALWAYS_INLINE inline
#endif

#if defined(__GNUC__)
// One shared copy out of line: a function defined in a header for the
// reader's sake whose callers are better off calling it than growing by it.
#define QUIN_NOINLINE inline __attribute__((noinline))
#else
#define QUIN_NOINLINE inline
#endif

#if defined(__GNUC__) && !defined(__clang__)
// Kept scalar: copies whose vectorised form costs more than plain loads and
// stores (the board's files become rows of a state slot through shuffles).
#define QUIN_SCALAR_COPY __attribute__((optimize("no-tree-vectorize")))
#else
#define QUIN_SCALAR_COPY
#endif

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(__POPCNT__)
// A function compiled for processors with the POPCNT instruction, which the
// x86-64 baseline lacks: call it only once cpu_has_popcount() said yes.
// What it inlines is compiled for POPCNT too.  A build for processors that
// have it throughout needs no second copy.
#define QUIN_POPCNT_TARGET __attribute__((target("popcnt")))
#define QUIN_HAVE_POPCNT_TARGET 1
inline bool cpu_has_popcount() { return __builtin_cpu_supports("popcnt"); }
#else
#define QUIN_HAVE_POPCNT_TARGET 0
inline bool cpu_has_popcount() { return false; }
#endif
