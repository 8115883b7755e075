// The position key and square hash of the evaluation cache, shared with
// the move hash that lives in the same slots.
//
// Globals read: board, the castling flags (whiteKingMoved .. blackRookHMoved),
// enPassantX, enPassantY.  Written: none.
#include "core/eval/cache_layout.h"

#include "core/quin_core.h"

#include "core/eval/board_ranks.h"

namespace {

inline unsigned char key_char(double v) {
    // Chr(): the low 8 bits of the value truncated to a 32-bit integer.
    return static_cast<unsigned char>(static_cast<int32_t>(v));
}

// Reads the 64 squares: writes Chr(code + 65) for each into key[0..63], adds
// up the unreduced square hash in *sum and returns whether every square is
// plain: a whole code from -1 to 4094, so that the terms' bits stay within
// the low 12.  (A code of 4095 also counts as a piece code but takes the
// slower exact path.)  Key bytes and sum mean nothing for a board that is
// not plain.  *small tells whether every truncated code + 1 is below 256.
#if defined(__SSE2__)
struct alignas(16) SquarePowers32 {
    uint32_t p[64];
    constexpr SquarePowers32() : p() {
        for (int s = 0; s < 64; s++) p[s] = static_cast<uint32_t>(kSquarePowers.p[s]);
    }
};

constexpr SquarePowers32 kSquarePowers32;

// Two ranks at a time, four squares to a step.
bool read_squares(unsigned char *key, uint64_t *sum, bool *small) {
    const __m128i one = _mm_set1_epi32(1);
    const __m128i chr = _mm_set1_epi32(65);
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    __m128d whole = _mm_castsi128_pd(_mm_set1_epi32(-1));
    __m128i termBits = _mm_setzero_si128();
    __m128i acc = _mm_setzero_si128();
    for (int y = 0; y < 8; y += 2) {
        __m128i ranks[4];
        load_rank_pair(y, ranks, whole);
#pragma GCC unroll 4
        for (int r = 0; r < 4; r++) {
            const __m128i terms = _mm_add_epi32(ranks[r], one);
            termBits = _mm_or_si128(termBits, terms);
            const __m128i powers = _mm_load_si128(
                reinterpret_cast<const __m128i *>(&kSquarePowers32.p[y * 8 + r * 4]));
            acc = _mm_add_epi64(acc, _mm_mul_epu32(terms, powers));
            acc = _mm_add_epi64(
                acc, _mm_mul_epu32(_mm_srli_epi64(terms, 32), _mm_srli_epi64(powers, 32)));
        }
        // Chr(code + 65): the low 8 bits (plain codes fit 16 bits first).
        const __m128i rankY = _mm_and_si128(
            _mm_packs_epi32(_mm_add_epi32(ranks[0], chr), _mm_add_epi32(ranks[1], chr)), lowByte);
        const __m128i rankNext = _mm_and_si128(
            _mm_packs_epi32(_mm_add_epi32(ranks[2], chr), _mm_add_epi32(ranks[3], chr)), lowByte);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(key + y * 8),
                         _mm_packus_epi16(rankY, rankNext));
    }
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), acc);
    *sum = lanes[0] + lanes[1];
    const __m128i zero = _mm_setzero_si128();
    *small = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(termBits, 8), zero)) == 0xFFFF;
    const __m128i wide = _mm_srli_epi32(termBits, 12);
    return _mm_movemask_pd(whole) == 3 && _mm_movemask_epi8(_mm_cmpeq_epi32(wide, zero)) == 0xFFFF;
}
#else
bool read_squares(unsigned char *key, uint64_t *sum, bool *small) {
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
            total += term * kSquarePowers.p[y * 8 + x];
            key[y * 8 + x] = static_cast<unsigned char>(code + 65);  // Chr(piece + 65)
        }
    }
    *sum = total;
    *small = (termBits >> 8) == 0;
    return whole && (termBits >> 12) == 0;
}
#endif

}  // namespace

int64_t cache_position_key(unsigned char *key, double side, bool *exact) {
    bool smallCodes;
    return cache_position_key(key, side, exact, &smallCodes);
}

int64_t cache_position_key(unsigned char *key, double side, bool *exact, bool *smallCodes) {
    uint64_t sum;
    const bool plain = read_squares(key, &sum, smallCodes);
    key[64] = key_char(side + 65);
    key[65] = key_char(whiteKingMoved + 65);
    key[66] = key_char(blackKingMoved + 65);
    key[67] = key_char(whiteRookAMoved + 65);
    key[68] = key_char(whiteRookHMoved + 65);
    key[69] = key_char(blackRookAMoved + 65);
    key[70] = key_char(blackRookHMoved + 65);
    key[71] = key_char(enPassantX + 66);
    key[72] = key_char(enPassantY + 66);
    *exact = plain;
    if (plain) return static_cast<int64_t>(mod_prime(sum));
    int i = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) key[i++] = key_char(board[x][y] + 65);
    return 0;
}

double cache_square_hash_in_doubles() {
    double hash = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) hash = Mod(hash * 131 + board[x][y] + 1, 2147483647);
    return hash;
}
