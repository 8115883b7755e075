// An integer view of the board for loops that test many candidate moves of
// one position (perft): the piece code of every square as a small integer
// and the occupied squares as bit sets, so that "is this square empty",
// "does a piece of this side stand here" and "are the squares between
// these two empty" take a few instructions each instead of a walk over
// doubles.
//
// The view is a copy: it is loaded from `board` and must be brought up to
// date square by square whenever `board` changes while it is in use.  Debug
// builds check that it agrees with `board` wherever the rules read it.
//
// Squares are numbered in board order, y * 8 + x: rank 8 first, a to h.
#pragma once

#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>

constexpr int view_square(int x, int y) { return y * 8 + x; }

namespace board_view_detail {

// For every pair of squares on one rank, file or diagonal, the squares
// strictly between them; 0 for every other pair.
struct BetweenTable {
    uint64_t mask[64][64];
    constexpr BetweenTable() : mask() {
        constexpr int kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
        constexpr int kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
        for (int from = 0; from < 64; ++from)
            for (int d = 0; d < 8; ++d) {
                uint64_t passed = 0;
                for (int x = from % 8 + kDx[d], y = from / 8 + kDy[d];
                     x >= 0 && x <= 7 && y >= 0 && y <= 7; x += kDx[d], y += kDy[d]) {
                    mask[from][view_square(x, y)] = passed;
                    passed |= uint64_t{1} << view_square(x, y);
                }
            }
    }
};

inline constexpr BetweenTable kBetween{};

}  // namespace board_view_detail

struct BoardView {
    signed char cell[64];  // the piece code on each square, 0 when empty
    uint64_t occupied;     // the squares that hold a piece
    uint64_t bySide[3];    // [kWhite], [kBlack]: the squares of each side's pieces
    uint64_t byPiece[kBlackOffset + kKing + 1];  // the squares of each piece code

    // Takes every square from `board`.
    void load() {
        occupied = bySide[kWhite] = bySide[kBlack] = 0;
        for (uint64_t &squares : byPiece) squares = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                cell[view_square(x, y)] = 0;
                put(x, y);
            }
    }

    // Takes the square (x, y) from `board` again.
    void reload(int x, int y) {
        const int square = view_square(x, y);
        const uint64_t bit = uint64_t{1} << square;
        occupied &= ~bit;
        bySide[kWhite] &= ~bit;
        bySide[kBlack] &= ~bit;
        byPiece[cell[square]] &= ~bit;
        put(x, y);
    }

    // Writes the piece on (x, y) of `board` into a view that holds no piece
    // there.
    void put(int x, int y) {
        const int piece = static_cast<int>(board[x][y]);
        assert(piece >= 0 && piece <= kBlackOffset + kKing);
        const int square = view_square(x, y);
        cell[square] = static_cast<signed char>(piece);
        if (piece == 0) return;
        const uint64_t bit = uint64_t{1} << square;
        occupied |= bit;
        bySide[colour_of(piece)] |= bit;
        byPiece[piece] |= bit;
    }

    // Whether the view agrees with `board` on every square.
    bool in_step() const {
        BoardView fresh;
        fresh.load();
        for (int square = 0; square < 64; ++square)
            if (fresh.cell[square] != cell[square]) return false;
        for (int piece = 1; piece <= kBlackOffset + kKing; ++piece)
            if (fresh.byPiece[piece] != byPiece[piece]) return false;
        return fresh.occupied == occupied && fresh.bySide[kWhite] == bySide[kWhite] &&
               fresh.bySide[kBlack] == bySide[kBlack];
    }

    // The piece code on (x, y), 0 for an empty square.
    int at(int x, int y) const { return cell[view_square(x, y)]; }

    bool holds_piece_of(int side, int x, int y) const {
        return (bySide[side] >> view_square(x, y)) & 1;
    }

    // The pieces of `side` that shield its king on (kx, ky) from an enemy
    // slider, one bit per square: each piece of the side that stands alone
    // between the king and an enemy queen, rook on a rank or file, or
    // bishop on a diagonal: for each piece of the side, the answer of
    // piece_shields_king (core/board/move_rules.h), from the enemy sliders
    // instead of a walk per piece.
    uint64_t shields_of(int side, int kx, int ky) const {
        const int king = view_square(kx, ky);
        uint64_t shields = 0;
        const int enemy = opponent_of(side);
        for (uint64_t sliders = byPiece[make_piece(enemy, kQueen)] |
                                byPiece[make_piece(enemy, kRook)] |
                                byPiece[make_piece(enemy, kBishop)];
             sliders != 0; sliders &= sliders - 1) {
            const int square = __builtin_ctzll(sliders);
            const int t = type_of(static_cast<int>(cell[square]));
            const int dx = (square & 7) - kx, dy = (square >> 3) - ky;
            const bool straight = dx == 0 || dy == 0;
            const bool diagonal = dx == dy || dx == -dy;
            if (!(t == kQueen ? straight || diagonal : t == kRook ? straight : diagonal)) continue;
            const uint64_t between = board_view_detail::kBetween.mask[king][square] & occupied;
            if (between != 0 && (between & (between - 1)) == 0) shields |= between & bySide[side];
        }
        return shields;
    }

    // Whether the squares strictly between (fx, fy) and (tx, ty), which
    // share a rank, a file or a diagonal, are empty.
    bool clear_between(int fx, int fy, int tx, int ty, int) const {
        return (board_view_detail::kBetween.mask[view_square(fx, fy)][view_square(tx, ty)] &
                occupied) == 0;
    }
};
