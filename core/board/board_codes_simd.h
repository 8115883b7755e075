// Reading the board's doubles as integer codes, in SSE2 (four squares at a
// time) and in plain code, for the board view's load, the evaluation cache
// key and the static evaluation's board scan.
#pragma once

#include "core/board/geometry.h"
#include "core/quin_core.h"
#include "core/simd.h"
#include "core/types.h"

#include <cstdint>

#ifdef QUIN_SSE2
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

// Two ranks' codes regrouped as load_rank_pair above gives them, for a caller
// that does not ask whether every square holds a whole number.
inline void load_rank_pair(int y, __m128i ranks[4]) {
    __m128d whole = _mm_setzero_pd();
    load_rank_pair(y, ranks, whole);
}
#endif

// Reads the board into integer codes and occupancy sets (memory order, two
// ranks at a time).
inline void read_board_codes(int *squares, uint64_t &occupiedOut, uint64_t &blackOut) {
    uint64_t occupied = 0, blackPieces = 0;
#ifdef QUIN_SSE2
    const __m128i empty = _mm_set1_epi32(kEmpty);
    const __m128i blackOffset = _mm_set1_epi32(kBlackOffset);
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        load_rank_pair(y, ranks);
        for (int r = 0; r < 4; r++) {
            const int s = square_of(r * 4, y);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(&squares[s]), ranks[r]);
            const int emptyBits =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(ranks[r], empty)));
            const int blackBits =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(ranks[r], blackOffset)));
            occupied |= static_cast<uint64_t>(~emptyBits & 15) << s;
            blackPieces |= static_cast<uint64_t>(blackBits) << s;
        }
    }
#else
    for (int x = 0; x < 8; x++) {
        const double *file = board[x];
        for (int y = 0; y < 8; y++) {
            const int code = static_cast<int>(file[y]);
            const int s = square_of(x, y);
            squares[s] = code;
            occupied |= static_cast<uint64_t>(code != kEmpty) << s;
            blackPieces |= static_cast<uint64_t>(code > kBlackOffset) << s;
        }
    }
#endif
    occupiedOut = occupied;
    blackOut = blackPieces;
}

// Reads the board into one byte per square (the code truncated, as a
// static_cast<int> of the value gives it) and the five bit planes of the
// codes: bit s of planes[k] is bit k of square s's code.  Every square must
// hold a code from 0 to 16 (the board view's load).
inline void read_board_cells(signed char *cells, uint64_t planes[5]) {
    for (int k = 0; k < 5; k++) planes[k] = 0;
#ifdef QUIN_SSE2
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        load_rank_pair(y, ranks);
        // Ranks y and y + 1, one byte per square in square order.
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(ranks[0], ranks[1]),
                                              _mm_packs_epi32(ranks[2], ranks[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(&cells[square_of(0, y)]), bytes);
        const int s = square_of(0, y);
        // Shifting the 16-bit lanes left by 7 - k brings bit k of each byte
        // to its top bit; the lanes' low bytes shift into the high bytes'
        // low bits only.
        planes[0] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 7))) << s;
        planes[1] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 6))) << s;
        planes[2] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 5))) << s;
        planes[3] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 4))) << s;
        planes[4] |= static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 3))) << s;
    }
#else
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) {
            const int code = static_cast<int>(board[x][y]);
            const int s = square_of(x, y);
            cells[s] = static_cast<signed char>(code);
            for (int k = 0; k < 5; k++) planes[k] |= static_cast<uint64_t>((code >> k) & 1) << s;
        }
#endif
}
