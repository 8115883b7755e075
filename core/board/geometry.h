// The board's integer geometry, in one place: how squares and king
// positions are numbered, the bit scans over sets of squares, the knight,
// king, ray and between tables, the attackers-of-a-square test and the
// file, rank and colour masks.  Everything that works on the board in
// whole numbers (the board view, the attack walks, the evaluation's piece
// sets, the check screen, the quiet search, perft) takes its geometry
// from here.
//
// Squares are numbered in board order, y * 8 + x: rank 8 first, a to h, so
// a set of squares is one 64-bit word with a8 as bit 0 and h1 as bit 63.
#pragma once

#include "core/types.h"

#include <cstdint>

// ---------------------------------------------------------------- squares
constexpr bool on_board(int x, int y) { return x >= 0 && x <= 7 && y >= 0 && y <= 7; }

// The square number of (x, y) and its file and row.
constexpr Square square_of(int x, int y) { return static_cast<Square>(y * 8 + x); }
constexpr int square_x(int square) { return square & 7; }
constexpr int square_y(int square) { return square >> 3; }

// The one-square set of a square; bit_at is the empty set off the board.
constexpr uint64_t square_bit(int square) { return uint64_t{1} << square; }
constexpr uint64_t bit_at(int x, int y) { return on_board(x, y) ? square_bit(square_of(x, y)) : 0; }

// The double board `board[9][9]` is one block of 81 elements; (x, y) is
// element x * 9 + y, so a step of (dx, dy) moves dx * 9 + dy elements.
constexpr int kBoardColumn = 9;
constexpr int board_offset(int x, int y) { return x * kBoardColumn + y; }

// ---------------------------------------------------------- king position
// A king's position as FindKing gives it: x * 10 + y, -1 for no king.
// Whole-number division and remainder truncate as Int and Mod do, so a
// position of -1 reads as x 0, y -1.
constexpr int king_pos(int x, int y) { return x * 10 + y; }
constexpr int king_pos_x(int pos) { return pos / 10; }
constexpr int king_pos_y(int pos) { return pos % 10; }
// The square of a king position, kNoSquare for none: where the integer code
// takes over a position FindKing gave.
constexpr Square king_square(int pos) {
    return pos < 0 ? kNoSquare : square_of(king_pos_x(pos), king_pos_y(pos));
}

// The square a queen's minor-piece target names (QueenMinorTarget):
// x * 8 + 1 + y, 0 for none.
constexpr int minor_target_code(int x, int y) { return x * 8 + 1 + y; }
constexpr int minor_target_x(int code) { return (code - 1) / 8; }
constexpr int minor_target_y(int code) { return (code - 1) % 8; }

// -------------------------------------------------------------- bit scans
// The compiler's bit-scan instructions where there are some, plain loops
// and multiplications elsewhere (and in portable builds).
#if defined(__GNUC__) && !defined(QUIN_PORTABLE)
#define QUIN_BUILTIN_BITS 1
#endif

// The lowest and the highest square of a set that is not empty.
inline Square lowest_square(uint64_t set) {
#ifdef QUIN_BUILTIN_BITS
    return static_cast<Square>(__builtin_ctzll(set));
#else
    int square = 0;
    while ((set & 1) == 0) {
        set >>= 1;
        ++square;
    }
    return static_cast<Square>(square);
#endif
}

inline Square highest_square(uint64_t set) {
#ifdef QUIN_BUILTIN_BITS
    return static_cast<Square>(63 - __builtin_clzll(set));
#else
    int square = 63;
    while ((set >> 63) == 0) {
        set <<= 1;
        --square;
    }
    return static_cast<Square>(square);
#endif
}

// The lowest square of a set that is not empty, taken out of it.
inline Square pop_lsb(uint64_t &set) {
    const Square square = lowest_square(set);
    set &= set - 1;
    return square;
}

// Whether a set holds more than one square.
constexpr bool more_than_one(uint64_t set) { return (set & (set - 1)) != 0; }

// Number of squares, without relying on a hardware instruction being enabled
// (a build for processors that have one counts with it).
constexpr int count_bits(uint64_t v) {
#if defined(__POPCNT__)
    return __builtin_popcountll(v);
#endif
    v = v - ((v >> 1) & 0x5555555555555555ULL);
    v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((v * 0x0101010101010101ULL) >> 56);
}

// How a loop counts squares: by count_bits on any processor, or by the
// processor's own instruction in code compiled for it (QUIN_POPCNT_TARGET;
// elsewhere the compiler's library routine).
struct PortableBitCount {
    static constexpr int of(uint64_t v) { return count_bits(v); }
};
struct HardwareBitCount {
    static int of(uint64_t v) { return __builtin_popcountll(v); }
};

// Number of squares of a set that holds few (a build for processors that
// have the count instruction counts with it).
constexpr int count_sparse(uint64_t v) {
#if defined(__POPCNT__)
    return __builtin_popcountll(v);
#endif
    int n = 0;
    for (; v; v &= v - 1) n++;
    return n;
}

// min(number of squares, 3).
constexpr int bits_up_to_3(uint64_t v) {
#if defined(__POPCNT__)
    const int n = __builtin_popcountll(v);
    return n < 3 ? n : 3;
#endif
    if (v == 0) return 0;
    v &= v - 1;
    if (v == 0) return 1;
    v &= v - 1;
    return v == 0 ? 2 : 3;
}

// ------------------------------------------------------------------ masks
constexpr uint64_t kFileA = 0x0101010101010101ULL;
constexpr uint64_t kFileH = kFileA << 7;
constexpr uint64_t file_mask(int x) { return kFileA << x; }
constexpr uint64_t rank_mask(int y) { return uint64_t{0xFF} << (y * 8); }
// Rows 0 and 7: the back ranks, where pawns promote.
constexpr uint64_t kBackRanks = rank_mask(0) | rank_mask(7);
// Files b to g.
constexpr uint64_t kInnerFiles = ~(kFileA | kFileH);
// The light squares (x + y even: a8, h1) and the dark ones.
constexpr uint64_t kLightSquares = 0xAA55AA55AA55AA55ULL;
constexpr uint64_t kDarkSquares = ~kLightSquares;

// The squares the pawns of `side` (1 White, 2 Black) in `pawns` attack: a
// White pawn the two squares diagonally toward smaller y, a Black pawn
// toward larger y.
constexpr uint64_t pawn_attacks_left(int side, uint64_t pawns) {
    return side == 1 ? (pawns & ~kFileA) >> 9 : (pawns & ~kFileA) << 7;
}
constexpr uint64_t pawn_attacks_right(int side, uint64_t pawns) {
    return side == 1 ? (pawns & ~kFileH) >> 7 : (pawns & ~kFileH) << 9;
}
constexpr uint64_t pawn_attacks(int side, uint64_t pawns) {
    return pawn_attacks_left(side, pawns) | pawn_attacks_right(side, pawns);
}

// The squares the pawns of `side` in `pawns` step straight ahead to: one
// step onto an empty square, and two from the start row (row 6 for White, 1
// for Black) over an empty square onto an empty one.
constexpr uint64_t pawn_step_ahead(int side, uint64_t pawns) {
    return side == 1 ? pawns >> 8 : pawns << 8;
}
constexpr uint64_t pawn_pushes(int side, uint64_t pawns, uint64_t occupied) {
    const uint64_t one = pawn_step_ahead(side, pawns) & ~occupied;
    return one | (pawn_step_ahead(side, one & rank_mask(side == 1 ? 5 : 2)) & ~occupied);
}

// ------------------------------------------------------------- directions
// The eight directions along ranks, files and diagonals: the first four
// lead to lower square numbers, the last four to higher.
inline constexpr int kDirX[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
inline constexpr int kDirY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
constexpr bool direction_rises(int d) { return d >= 4; }
// The rank and file directions, and the diagonal ones.
inline constexpr int kStraightDirs[4] = {1, 3, 4, 6};
inline constexpr int kDiagonalDirs[4] = {0, 2, 5, 7};

// The eight knight jumps (dx, dy), in the order the attack walks try them.
inline constexpr int kKnightDx[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
inline constexpr int kKnightDy[8] = {-1, 1, -2, 2, -2, 2, -1, 1};

// Whether a step of (dx, dy) is a knight's jump or a king's step.
constexpr bool knight_jump(int dx, int dy) {
    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    return (ax == 2 && ay == 1) || (ax == 1 && ay == 2);
}
constexpr bool king_step(int dx, int dy) {
    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    return (ax | ay) != 0 && ax <= 1 && ay <= 1;
}

// Whether a slider of type t (queen 5, rook 2 or bishop 4) moves along the
// line from one square to another (dx, dy) away: a rook on a rank or file,
// a bishop on a diagonal, a queen on either.
constexpr bool slides_along(int t, int dx, int dy) {
    const bool straight = dx == 0 || dy == 0;
    const bool diagonal = dx == dy || dx == -dy;
    return t == 5 ? straight || diagonal : t == 2 ? straight : diagonal;
}

// ----------------------------------------------------------------- tables
namespace geometry_detail {

// For every square, the squares a knight's jump and a king's step away.
struct StepTable {
    uint64_t knight[64], king[64];
    constexpr StepTable() : knight(), king() {
        for (int from = 0; from < 64; ++from) {
            const int x = square_x(from), y = square_y(from);
            for (int i = 0; i < 8; ++i) knight[from] |= bit_at(x + kKnightDx[i], y + kKnightDy[i]);
            for (int d = 0; d < 8; ++d) king[from] |= bit_at(x + kDirX[d], y + kDirY[d]);
        }
    }
};

// For every square and each of the eight directions, the squares from the
// next one to the edge of the board, and how many they are.
struct RayTable {
    uint64_t ray[64][8];
    unsigned char length[64][8];
    uint64_t straight[64], diagonal[64];  // the rank and file, the diagonals
    constexpr RayTable() : ray(), length(), straight(), diagonal() {
        for (int from = 0; from < 64; ++from) {
            for (int d = 0; d < 8; ++d)
                for (int x = square_x(from) + kDirX[d], y = square_y(from) + kDirY[d];
                     on_board(x, y); x += kDirX[d], y += kDirY[d]) {
                    ray[from][d] |= bit_at(x, y);
                    ++length[from][d];
                }
            for (int i = 0; i < 4; ++i) {
                straight[from] |= ray[from][kStraightDirs[i]];
                diagonal[from] |= ray[from][kDiagonalDirs[i]];
            }
        }
    }
};

// For every pair of squares on one rank, file or diagonal, the squares
// strictly between them; 0 for every other pair.
struct BetweenTable {
    uint64_t mask[64][64];
    constexpr BetweenTable() : mask() {
        for (int from = 0; from < 64; ++from)
            for (int d = 0; d < 8; ++d) {
                uint64_t passed = 0;
                for (int x = square_x(from) + kDirX[d], y = square_y(from) + kDirY[d];
                     on_board(x, y); x += kDirX[d], y += kDirY[d]) {
                    mask[from][square_of(x, y)] = passed;
                    passed |= bit_at(x, y);
                }
            }
    }
};

}  // namespace geometry_detail

inline constexpr geometry_detail::StepTable kSteps{};
inline constexpr geometry_detail::RayTable kRays{};
inline constexpr geometry_detail::BetweenTable kBetween{};

constexpr uint64_t knight_squares(int square) { return kSteps.knight[square]; }
constexpr uint64_t king_squares(int square) { return kSteps.king[square]; }
// The squares strictly between two squares on one line (0 off a line).
constexpr uint64_t between(int from, int to) { return kBetween.mask[from][to]; }

// The squares along direction d from `square` up to and with the first
// piece of `occupied` on the way: the squares whose line from `square` is
// clear.
inline uint64_t ray_reach(int square, int d, uint64_t occupied) {
    uint64_t ray = kRays.ray[square][d];
    const uint64_t blockers = ray & occupied;
    if (blockers != 0) {
        const int first = direction_rises(d) ? lowest_square(blockers) : highest_square(blockers);
        ray &= ~kRays.ray[first][d];
    }
    return ray;
}

// ------------------------------------------------------------- attackers
// The pieces of one side by kind, as sets of squares, for the attack test.
struct AttackerSets {
    uint64_t pawns, knights, kings;
    uint64_t straight;  // rooks and queens
    uint64_t diagonal;  // bishops and queens
};

// Whether a piece of `sets`, of side `attacker` (1 White, 2 Black), attacks
// `square` with the squares of `occupancy` taken: a pawn the two squares
// diagonally ahead of it, a knight and a king their steps, a slider along
// its lines up to the first piece.
inline bool square_attacked(int square, int attacker, const AttackerSets &sets,
                            uint64_t occupancy) {
    if ((knight_squares(square) & sets.knights) != 0 || (king_squares(square) & sets.kings) != 0)
        return true;
    // The squares a pawn of the other side would attack from `square` are
    // those from which the attacker's pawns attack it.
    if ((pawn_attacks(3 - attacker, square_bit(square)) & sets.pawns) != 0) return true;
    uint64_t sliders =
        (kRays.straight[square] & sets.straight) | (kRays.diagonal[square] & sets.diagonal);
    while (sliders != 0)
        if ((between(square, pop_lsb(sliders)) & occupancy) == 0) return true;
    return false;
}
