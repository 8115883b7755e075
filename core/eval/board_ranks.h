// Reading the board's doubles as integer codes four squares at a time, for
// the evaluation cache key and the static evaluation's board scan.
#pragma once

#if defined(__SSE2__)
#include "core/quin_core.h"

#include <emmintrin.h>

// The codes (values truncated to 32-bit integers) of ranks y and y + 1
// (y even), regrouped from the files: ranks[0] files a-d and ranks[1] files
// e-h of rank y, ranks[2] and ranks[3] the same of rank y + 1.  `whole` is
// cleared in the lanes of squares whose value is not a whole 32-bit number.
inline void load_rank_pair(int y, __m128i ranks[4], __m128d &whole) {
    __m128i files[8];  // codes of (x, y) and (x, y + 1) in the low lanes
    // Unrolled so that the eight files stay in registers.
#pragma GCC unroll 8
    for (int x = 0; x < 8; x++) {
        const __m128d pieces = _mm_loadu_pd(&board[x][y]);  // board[x][y], board[x][y + 1]
        const __m128i codes = _mm_cvttpd_epi32(pieces);
        whole = _mm_and_pd(whole, _mm_cmpeq_pd(_mm_cvtepi32_pd(codes), pieces));
        files[x] = codes;
    }
    const __m128i ab = _mm_unpacklo_epi32(files[0], files[1]);
    const __m128i cd = _mm_unpacklo_epi32(files[2], files[3]);
    const __m128i ef = _mm_unpacklo_epi32(files[4], files[5]);
    const __m128i gh = _mm_unpacklo_epi32(files[6], files[7]);
    ranks[0] = _mm_unpacklo_epi64(ab, cd);
    ranks[1] = _mm_unpacklo_epi64(ef, gh);
    ranks[2] = _mm_unpackhi_epi64(ab, cd);
    ranks[3] = _mm_unpackhi_epi64(ef, gh);
}
#endif
