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
