// Reading the board for the evaluation cache's key and square hash, in
// SSE2 (two ranks at a time) and in plain code.
#pragma once

#include "core/board/geometry.h"
#include "core/board/board_codes_simd.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"
#include "core/simd.h"

#include <cstdint>
#include <cstring>

namespace cache_key_simd {

// Reads the 64 squares: writes Chr(code + 65) for each into key[0..63], adds
// up the unreduced square hash in *sum and returns whether every square is
// plain: a whole code from -1 to 4094, so that the terms' bits stay within
// the low 12.  (A code of 4095 also counts as a piece code but takes the
// slower exact path.)  Key bytes and sum mean nothing for a board that is
// not plain.  *small tells whether every truncated code + 1 is below 256.
#ifdef QUIN_SSE2
// Each square's power cut into 15-bit parts (powers are below 2^31), so
// that a signed 16-bit multiply-add takes term * part for two squares at
// once: part[0] the low 15 bits, part[1] the next 15, part[2] bit 30.
struct alignas(16) SquarePowerParts {
    int16_t part[3][64];
    constexpr SquarePowerParts() : part() {
        for (int s = 0; s < 64; s++) {
            const uint64_t power = kSquarePowers.p[s];
            part[0][s] = static_cast<int16_t>(power & 0x7FFF);
            part[1][s] = static_cast<int16_t>((power >> 15) & 0x7FFF);
            part[2][s] = static_cast<int16_t>(power >> 30);
        }
    }
};

constexpr SquarePowerParts kSquarePowerParts;

// The sum of the four 32-bit lanes, each read as unsigned.
inline uint64_t lane_total(__m128i v) {
    uint32_t lanes[4];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), v);
    return static_cast<uint64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}

// Two ranks at a time, a rank's eight codes as 16-bit numbers.  Codes
// outside the 16-bit range saturate, which keeps them out of the plain range
// (and such a board's key and sum are not used).  For plain boards every
// multiply-add lane is below 2^28 and each accumulator lane adds eight of
// them, so the 32-bit lanes hold the exact part sums.
inline bool read_squares(unsigned char *key, uint64_t *sum, bool *small) {
    const __m128i one = _mm_set1_epi16(1);
    const __m128i chr = _mm_set1_epi16(kKeyCharOffset);
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    __m128d whole = _mm_castsi128_pd(_mm_set1_epi32(-1));
    __m128i termBits = _mm_setzero_si128();
    __m128i acc[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        load_rank_pair(y, ranks, whole);
        const __m128i codes[2] = {_mm_packs_epi32(ranks[0], ranks[1]),
                                  _mm_packs_epi32(ranks[2], ranks[3])};
#pragma GCC unroll 2
        for (int r = 0; r < 2; r++) {
            const __m128i terms = _mm_add_epi16(codes[r], one);
            termBits = _mm_or_si128(termBits, terms);
#pragma GCC unroll 3
            for (int part = 0; part < 3; part++) {
                const __m128i powers = _mm_load_si128(
                    reinterpret_cast<const __m128i *>(&kSquarePowerParts.part[part][(y + r) * 8]));
                acc[part] = _mm_add_epi32(acc[part], _mm_madd_epi16(terms, powers));
            }
        }
        // Chr(code + 65): the low 8 bits.
        const __m128i rankY = _mm_and_si128(_mm_add_epi16(codes[0], chr), lowByte);
        const __m128i rankNext = _mm_and_si128(_mm_add_epi16(codes[1], chr), lowByte);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(key + y * 8),
                         _mm_packus_epi16(rankY, rankNext));
    }
    *sum = lane_total(acc[0]) + (lane_total(acc[1]) << 15) + (lane_total(acc[2]) << 30);
    const __m128i zero = _mm_setzero_si128();
    *small = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_srli_epi16(termBits, 8), zero)) == 0xFFFF;
    const __m128i wide = _mm_srli_epi16(termBits, 12);
    return _mm_movemask_pd(whole) == 3 && _mm_movemask_epi8(_mm_cmpeq_epi16(wide, zero)) == 0xFFFF;
}
#else
inline bool read_squares(unsigned char *key, uint64_t *sum, bool *small) {
    bool whole = true;
    uint64_t termBits = 0, total = 0;
    for (int x = 0; x < 8; x++) {
        const double *file = board[x];  // board[x][0..7] are adjacent
        for (int y = 0; y < 8; y++) {
            const double piece = file[y];
            const int64_t code = static_cast<int64_t>(piece);
            const uint64_t term = static_cast<uint64_t>(code + 1);
            whole &= static_cast<double>(code) == piece;
            termBits |= term;
            total += term * kSquarePowers.p[square_of(x, y)];
            key[square_of(x, y)] = static_cast<unsigned char>(code + kKeyCharOffset);
        }
    }
    *sum = total;
    *small = (termBits >> 8) == 0;
    return whole && (termBits >> 12) == 0;
}
#endif

// The key's square characters of a board view's cells, Chr(code + 65) each,
// into key[0..63].
#ifdef QUIN_SSE2
inline void write_cell_chars(const signed char *cells, unsigned char *key) {
    const __m128i chr = _mm_set1_epi8(static_cast<char>(kKeyCharOffset));
#pragma GCC unroll 4
    for (int s = 0; s < 64; s += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cells + s));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(key + s), _mm_add_epi8(bytes, chr));
    }
}
#else
inline void write_cell_chars(const signed char *cells, unsigned char *key) {
    for (int s = 0; s < 64; s++) key[s] = static_cast<unsigned char>(cells[s] + kKeyCharOffset);
}
#endif

// The key's square characters and the unreduced square hash of a board view's
// cells, each a piece code from 0 to 16, so that every square is plain:
// Chr(code + 65) for each into key[0..63].
#ifdef QUIN_SSE2
inline uint64_t read_cells(const signed char *cells, unsigned char *key) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i chr = _mm_set1_epi8(static_cast<char>(kKeyCharOffset));
    __m128i acc[3] = {zero, zero, zero};
#pragma GCC unroll 4
    for (int s = 0; s < 64; s += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cells + s));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(key + s), _mm_add_epi8(bytes, chr));
        const __m128i terms[2] = {_mm_add_epi16(_mm_unpacklo_epi8(bytes, zero), one),
                                  _mm_add_epi16(_mm_unpackhi_epi8(bytes, zero), one)};
#pragma GCC unroll 2
        for (int half = 0; half < 2; half++)
#pragma GCC unroll 3
            for (int part = 0; part < 3; part++) {
                const __m128i powers = _mm_load_si128(
                    reinterpret_cast<const __m128i *>(&kSquarePowerParts.part[part][s + half * 8]));
                acc[part] = _mm_add_epi32(acc[part], _mm_madd_epi16(terms[half], powers));
            }
    }
    return lane_total(acc[0]) + (lane_total(acc[1]) << 15) + (lane_total(acc[2]) << 30);
}
#else
inline uint64_t read_cells(const signed char *cells, unsigned char *key) {
    uint64_t total = 0;
    for (int s = 0; s < 64; s++) {
        key[s] = static_cast<unsigned char>(cells[s] + kKeyCharOffset);
        total += static_cast<uint64_t>(cells[s] + 1) * kSquarePowers.p[s];
    }
    return total;
}
#endif

// Whether two keys of kKeyBytes (73) characters are the same: in SSE2 four
// sixteen-character compares and the last nine characters, in plain code
// memcmp's answer.
#ifdef QUIN_SSE2
inline bool same_key(const unsigned char *a, const unsigned char *b) {
    static_assert(kKeyBytes == 73, "the compare below covers 64 + 8 + 1 characters");
    __m128i same = _mm_set1_epi8(-1);
#pragma GCC unroll 4
    for (int i = 0; i < 64; i += 16)
        same = _mm_and_si128(
            same, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i))));
    uint64_t tailA, tailB;
    std::memcpy(&tailA, a + 64, 8);
    std::memcpy(&tailB, b + 64, 8);
    return _mm_movemask_epi8(same) == 0xFFFF && tailA == tailB && a[72] == b[72];
}
#else
inline bool same_key(const unsigned char *a, const unsigned char *b) {
    return std::memcmp(a, b, kKeyBytes) == 0;
}
#endif

}  // namespace cache_key_simd
