// Finding the squares of a key's 64 square characters that hold one
// character, in SSE2 (sixteen characters at a time) and in plain code.
#pragma once

#include "core/simd.h"

#include <cstdint>

class KeySquares {
public:
#ifdef QUIN_SSE2
    explicit KeySquares(const unsigned char *chars) {
        for (int i = 0; i < 4; i++)
            chunks_[i] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + 16 * i));
    }
#else
    explicit KeySquares(const unsigned char *chars) : chars_(chars) {}
#endif

    // The squares whose character is c, one bit per square.
    uint64_t holding(unsigned char c) const {
#ifdef QUIN_SSE2
        const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
        const auto bits = [&wanted](__m128i chunk) {
            return static_cast<uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted))));
        };
        return bits(chunks_[0]) | bits(chunks_[1]) << 16 | bits(chunks_[2]) << 32 |
               bits(chunks_[3]) << 48;
#else
        uint64_t set = 0;
        for (int s = 0; s < 64; s++) set |= static_cast<uint64_t>(chars_[s] == c) << s;
        return set;
#endif
    }

private:
#ifdef QUIN_SSE2
    __m128i chunks_[4];
#else
    const unsigned char *chars_;
#endif
};
