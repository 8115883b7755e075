// The board to and from a state-stack slot: the board holds files
// (board[x][0..7] side by side, nine doubles apart), a slot ranks
// (slot[y * 8 + x]), so each copy transposes the 8 x 8 doubles.  In AVX
// four 4 x 4 blocks are turned with unpacks and lane swaps; in plain code
// (and SSE2, where the shuffles cost more than the plain copies) rank by
// rank, eight loads and eight stores each, in functions the compiler must
// not vectorise (QUIN_SCALAR_COPY on the callers).  The doubles move bit
// for bit either way.
#pragma once

#include "core/quin_core.h"
#include "core/simd.h"

namespace state_copy_simd {

#ifdef QUIN_AVX
// The 4 x 4 block of rows from[0..3] (stride `fromStride` doubles, four
// doubles each) into columns: to[j * toStride + i] = from[i * fromStride + j].
inline void transpose_block(const double *from, int fromStride, double *to, int toStride) {
    const __m256d r0 = _mm256_loadu_pd(from), r1 = _mm256_loadu_pd(from + fromStride);
    const __m256d r2 = _mm256_loadu_pd(from + 2 * fromStride);
    const __m256d r3 = _mm256_loadu_pd(from + 3 * fromStride);
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    _mm256_storeu_pd(to, _mm256_permute2f128_pd(t0, t2, 0x20));
    _mm256_storeu_pd(to + toStride, _mm256_permute2f128_pd(t1, t3, 0x20));
    _mm256_storeu_pd(to + 2 * toStride, _mm256_permute2f128_pd(t0, t2, 0x31));
    _mm256_storeu_pd(to + 3 * toStride, _mm256_permute2f128_pd(t1, t3, 0x31));
}

// slot[y * 8 + x] = board[x][y], and back.
constexpr int kFileStride = sizeof board[0] / sizeof board[0][0];

inline void save_board(double *slot) {
    for (int x = 0; x < 8; x += 4)
        for (int y = 0; y < 8; y += 4)
            transpose_block(&board[x][y], kFileStride, slot + y * 8 + x, 8);
}
inline void restore_board(const double *slot) {
    for (int y = 0; y < 8; y += 4)
        for (int x = 0; x < 8; x += 4)
            transpose_block(slot + y * 8 + x, 8, &board[x][y], kFileStride);
}
#else
inline void save_rank(double *slot, int y) {
    slot[0] = board[0][y];
    slot[1] = board[1][y];
    slot[2] = board[2][y];
    slot[3] = board[3][y];
    slot[4] = board[4][y];
    slot[5] = board[5][y];
    slot[6] = board[6][y];
    slot[7] = board[7][y];
}

inline void restore_rank(const double *slot, int y) {
    board[0][y] = slot[0];
    board[1][y] = slot[1];
    board[2][y] = slot[2];
    board[3][y] = slot[3];
    board[4][y] = slot[4];
    board[5][y] = slot[5];
    board[6][y] = slot[6];
    board[7][y] = slot[7];
}

inline void save_board(double *slot) {
#pragma GCC unroll 8
    for (int y = 0; y < 8; ++y) save_rank(slot + y * 8, y);
}
inline void restore_board(const double *slot) {
#pragma GCC unroll 8
    for (int y = 0; y < 8; ++y) restore_rank(slot + y * 8, y);
}
#endif

}  // namespace state_copy_simd
