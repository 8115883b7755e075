// What the parts of the static evaluation share: the full material phase,
// the phase-dependent terms and the values of the pieces by square.
// Internal to core/eval.
#pragma once

#include "core/board/geometry.h"
#include "core/types.h"

#include <cstdint>

namespace eval_detail {

// Material of both sides without pawns and kings at which the middlegame
// terms count in full (and the endgame terms not at all).
constexpr int kFullPhase = 6400;

// Values that depend on the material phase, computed once per evaluation.
struct PhaseTerms {
    int phase;              // min(phase material, kFullPhase)
    int endgameWeight;      // kFullPhase - phase
    int queenEarlyPenalty;  // for a queen off its first two ranks
    int centralPawnBonus;   // for a pawn on d4, e4, d5 or e5 (own side's view)
    bool bothKings;
};

// Closeness to the centre along one coordinate: 0 2 4 6 6 4 2 0.
constexpr int kCenter[8] = {0, 2, 4, 6, 6, 4, 2, 0};

// The part of each piece's value that depends on its square alone, from its
// own side's point of view, by piece code and square: the pawn's base value
// (without the central bonus), rook, knight, bishop and queen (without the
// development penalty).  Kings are valued apart.
struct SquareValues {
    int value[kBlackOffset + kKing + 1][64];
    constexpr SquareValues() : value() {
        for (int side = kWhite; side <= kBlack; side++) {
            for (int s = 0; s < 64; s++) {
                const int x = square_x(s), y = square_y(s);
                const int rank = side == kWhite ? 7 - y : y;
                const int centerX = kCenter[x], centerY = kCenter[rank];
                const int backRank = rank == 0 ? 10 : 0;
                value[make_piece(side, kPawn)][s] =
                    kPieceValue[kPawn] + 5 * rank + 2 * centerX + (rank >= 3 ? 2 * centerY : 0);
                value[make_piece(side, kRook)][s] =
                    kPieceValue[kRook] + 2 * centerX + (rank == 6 ? 20 : 0);
                value[make_piece(side, kKnight)][s] =
                    (centerX + centerY) * 4 + kPieceValue[kKnight] - 24 - backRank;
                value[make_piece(side, kBishop)][s] =
                    2 * (centerX + centerY) + kPieceValue[kBishop] - backRank;
                value[make_piece(side, kQueen)][s] = kPieceValue[kQueen] + centerX + centerY;
            }
        }
    }
};

constexpr SquareValues kSquareValues;

// Queens off their first two ranks, by side.
constexpr uint64_t kQueenDeveloped[3] = {0, 0x0000FFFFFFFFFFFFULL, 0xFFFFFFFFFFFF0000ULL};

inline int popcount8(unsigned v) { return count_sparse(v & 0xFFu); }

// Number of set bits by byte value.
struct ByteBits {
    unsigned char count[256];
    constexpr ByteBits() : count() {
        for (int v = 0; v < 256; v++) count[v] = static_cast<unsigned char>(count_sparse(v));
    }
};
constexpr ByteBits kByteBits;

// Board shifts: toward the a-file, toward the h-file, and the fills of each
// square toward larger y (south_fill) and smaller y (north_fill).
constexpr uint64_t shift_west(uint64_t b) { return (b & ~kFileA) >> 1; }
constexpr uint64_t shift_east(uint64_t b) { return (b & ~kFileH) << 1; }
constexpr uint64_t south_fill(uint64_t b) {
    b |= b << 8;
    b |= b << 16;
    return b | b << 32;
}
constexpr uint64_t north_fill(uint64_t b) {
    b |= b >> 8;
    b |= b >> 16;
    return b | b >> 32;
}

inline int iabs(int v) { return v < 0 ? -v : v; }

}  // namespace eval_detail
