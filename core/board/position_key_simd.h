// Comparing and reading the board's ranks for the position key, in SSE2
// and in plain code: whether a rank's squares still hold the bits last
// kept, and a rank's piece codes in pairs.
#pragma once

#include "core/quin_core.h"
#include "core/simd.h"

#include <cstdint>
#include <cstring>

// The text of the last ranks written, kept with the exact bits of their
// squares: between two keys of the search most ranks are as they were, and a
// rank whose squares hold the same bits has the same text.  Only ranks of
// whole codes are kept (16 to 24 characters; the rest of the 24 bytes are
// zero).  The square bits are laid out as the board is, file by file, so
// that two squares of a file are compared at once.
struct KnownRanks {
    alignas(16) uint64_t bits[8][8];  // [x][y]
    char text[8][24];
    unsigned char length[8];
    unsigned valid;  // bit y: rank y's bits and text are filled in
};
// Bit y set for each rank y whose eight squares all hold the bits last kept.
inline unsigned unchanged_ranks(const KnownRanks &known) {
#ifdef QUIN_SSE2
    __m128i same[4];
    for (int pair = 0; pair < 4; ++pair) same[pair] = _mm_set1_epi32(-1);
#pragma GCC unroll 8
    for (int x = 0; x < 8; ++x) {
#pragma GCC unroll 4
        for (int pair = 0; pair < 4; ++pair) {
            const __m128i now =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(&board[x][pair * 2]));
            const __m128i kept =
                _mm_load_si128(reinterpret_cast<const __m128i *>(&known.bits[x][pair * 2]));
            same[pair] = _mm_and_si128(same[pair], _mm_cmpeq_epi32(now, kept));
        }
    }
    unsigned ranks = 0;
#pragma GCC unroll 4
    for (int pair = 0; pair < 4; ++pair) {
        // The low half is rank 2 * pair, the high half the rank below it; a
        // rank is unchanged when both 32-bit words of its half compared equal.
        const __m128i both =
            _mm_and_si128(same[pair], _mm_shuffle_epi32(same[pair], _MM_SHUFFLE(2, 3, 0, 1)));
        ranks |= static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(both))) << (pair * 2);
    }
    return ranks & known.valid;
#else
    unsigned ranks = 0;
    for (int y = 0; y < 8; ++y) {
        uint64_t changed = 0;
        for (int x = 0; x < 8; ++x) {
            uint64_t bits;
            std::memcpy(&bits, &board[x][y], sizeof bits);
            changed |= bits ^ known.bits[x][y];
        }
        if (changed == 0) ranks |= 1u << y;
    }
    return ranks & known.valid;
#endif
}

// Reads rank y's squares into codes[], the piece codes of its squares, and
// returns whether every square holds a whole code from 0 to 16 (a value that
// is written as its plain decimal digits, as -0 is written "0").  On true,
// the squares' bits are kept as the rank's in `known`.
// `whole_code` gives a square's whole code from 0 to 16, or -1 for any
// other value.
#ifdef QUIN_SSE2
template <class WholeCode>
inline bool rank_codes(int y, int codes[4], KnownRanks &known, WholeCode &&) {
    // codes[] here holds the pair indices code(x) * 17 + code(x + 1) for
    // x = 0, 2, 4, 6.
    __m128d squares[4];
    __m128i ints[4];
    __m128d whole = _mm_castsi128_pd(_mm_set1_epi32(-1));
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        squares[i] = _mm_loadh_pd(_mm_load_sd(&board[2 * i][y]), &board[2 * i + 1][y]);
        ints[i] = _mm_cvttpd_epi32(squares[i]);
        whole = _mm_and_pd(whole, _mm_cmpeq_pd(_mm_cvtepi32_pd(ints[i]), squares[i]));
    }
    const __m128i values =
        _mm_packs_epi32(_mm_unpacklo_epi64(ints[0], ints[1]), _mm_unpacklo_epi64(ints[2], ints[3]));
    const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(values, _mm_setzero_si128()),
                                         _mm_cmpgt_epi16(values, _mm_set1_epi16(16)));
    if (_mm_movemask_pd(whole) != 3 || _mm_movemask_epi8(outside) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(codes),
                     _mm_madd_epi16(values, _mm_set_epi16(1, 17, 1, 17, 1, 17, 1, 17)));
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        _mm_storel_pd(reinterpret_cast<double *>(&known.bits[2 * i][y]), squares[i]);
        _mm_storeh_pd(reinterpret_cast<double *>(&known.bits[2 * i + 1][y]), squares[i]);
    }
    return true;
}
#else
template <class WholeCode>
inline bool rank_codes(int y, int codes[4], KnownRanks &known, WholeCode &&whole_code) {
    int code[8];
    int any = 0;
    for (int x = 0; x < 8; ++x) {
        code[x] = whole_code(board[x][y]);
        any |= code[x];
    }
    if (any < 0) return false;
    for (int i = 0; i < 4; ++i) codes[i] = code[2 * i] * 17 + code[2 * i + 1];
    for (int x = 0; x < 8; ++x) std::memcpy(&known.bits[x][y], &board[x][y], sizeof(uint64_t));
    return true;
}
#endif
