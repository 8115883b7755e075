// An integer view of the board for loops that test many candidate moves of
// one position (perft): the piece code of every square as a small integer
// and the occupied squares as bit sets, so that "is this square empty",
// "does a piece of this side stand here" and "are the squares between
// these two empty" take a few instructions each instead of a walk over
// doubles.
//
// The view is a copy: it is loaded from `board` (and the en-passant square)
// and must be brought up to date square by square whenever `board` changes
// while it is in use.  Debug
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

// The eight directions along ranks, files and diagonals: the first four
// lead to lower square numbers, the last four to higher.
inline constexpr int kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
inline constexpr int kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

// For every pair of squares on one rank, file or diagonal, the squares
// strictly between them; 0 for every other pair.
struct BetweenTable {
    uint64_t mask[64][64];
    constexpr BetweenTable() : mask() {
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

// For every square, the squares a knight's jump and a king's step away.
struct StepTable {
    uint64_t knight[64], king[64];
    constexpr StepTable() : knight(), king() {
        constexpr int kJumpDx[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
        constexpr int kJumpDy[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
        for (int from = 0; from < 64; ++from) {
            const int x = from % 8, y = from / 8;
            for (int i = 0; i < 8; ++i) {
                const int jx = x + kJumpDx[i], jy = y + kJumpDy[i];
                if (jx >= 0 && jx <= 7 && jy >= 0 && jy <= 7)
                    knight[from] |= uint64_t{1} << view_square(jx, jy);
            }
            for (int sx = -1; sx <= 1; ++sx)
                for (int sy = -1; sy <= 1; ++sy) {
                    const int kx = x + sx, ky = y + sy;
                    if ((sx != 0 || sy != 0) && kx >= 0 && kx <= 7 && ky >= 0 && ky <= 7)
                        king[from] |= uint64_t{1} << view_square(kx, ky);
                }
        }
    }
};

inline constexpr StepTable kSteps{};

// For every square and each of the eight directions (kDx, kDy), the squares from the next one to
// the edge of the board.
struct RayTable {
    uint64_t ray[64][8];
    uint64_t straight[64], diagonal[64];  // the rank and file, the diagonals
    constexpr RayTable() : ray(), straight(), diagonal() {
        for (int from = 0; from < 64; ++from)
            for (int d = 0; d < 8; ++d)
                for (int x = from % 8 + kDx[d], y = from / 8 + kDy[d];
                     x >= 0 && x <= 7 && y >= 0 && y <= 7; x += kDx[d], y += kDy[d])
                    ray[from][d] |= uint64_t{1} << view_square(x, y);
        for (int from = 0; from < 64; ++from) {
            straight[from] = ray[from][1] | ray[from][3] | ray[from][4] | ray[from][6];
            diagonal[from] = ray[from][0] | ray[from][2] | ray[from][5] | ray[from][7];
        }
    }
};

inline constexpr RayTable kRays{};

// Whether a slider of type t (queen, rook or bishop) moves along the line
// from one square to another (dx, dy) away: a rook on a rank or file, a
// bishop on a diagonal, a queen on either.
constexpr bool slides_along(int t, int dx, int dy) {
    const bool straight = dx == 0 || dy == 0;
    const bool diagonal = dx == dy || dx == -dy;
    return t == kQueen ? straight || diagonal : t == kRook ? straight : diagonal;
}

}  // namespace board_view_detail

struct BoardView {
    signed char cell[64];  // the piece code on each square, 0 when empty
    uint64_t occupied;     // the squares that hold a piece
    uint64_t bySide[3];    // [kWhite], [kBlack]: the squares of each side's pieces
    uint64_t byPiece[kBlackOffset + kKing + 1];  // the squares of each piece code
    int enPassant;  // the en-passant square (enPassantX, enPassantY), -1 for none

    // Takes the en-passant square from the globals.
    void load_en_passant() {
        const bool on = enPassantX >= 0 && enPassantX <= 7 && enPassantY >= 0 && enPassantY <= 7 &&
                        enPassantX == static_cast<int>(enPassantX) &&
                        enPassantY == static_cast<int>(enPassantY);
        enPassant =
            on ? view_square(static_cast<int>(enPassantX), static_cast<int>(enPassantY)) : -1;
    }

    // Whether (x, y) is the en-passant square.
    bool en_passant_at(int x, int y) const { return view_square(x, y) == enPassant; }

    // Takes every square from `board`.
    void load() {
        load_en_passant();
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

    // Brings the view up to date after MakeSearchMove(fx, fy, tx, ty) on the
    // position it showed, where `piece` moved and `taken` stood on the
    // target: the move's own two squares change, the square beside the
    // target only by en passant (a pawn's diagonal step onto an empty
    // square), a rook's corner and landing squares only by castling (a
    // king's step of two files); the en-passant square is taken anew.
    void reload_move(int fx, int fy, int tx, int ty, int piece, int taken) {
        reload(fx, fy);
        reload(tx, ty);
        if (type_of(piece) == kPawn && tx != fx && taken == 0) reload(tx, fy);
        if (type_of(piece) == kKing && (tx - fx == 2 || fx - tx == 2)) {
            reload(0, fy);
            reload(3, fy);
            reload(5, fy);
            reload(7, fy);
        }
        load_en_passant();
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
        return fresh.enPassant == enPassant && fresh.occupied == occupied &&
               fresh.bySide[kWhite] == bySide[kWhite] && fresh.bySide[kBlack] == bySide[kBlack];
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
        for (uint64_t sliders = sliders_on_lines_to(enemy, king); sliders != 0;
             sliders &= sliders - 1) {
            const int square = __builtin_ctzll(sliders);
            const uint64_t between = board_view_detail::kBetween.mask[king][square] & occupied;
            if (between != 0 && (between & (between - 1)) == 0) shields |= between & bySide[side];
        }
        return shields;
    }

    // The queens, rooks and bishops of `side` that move along a line
    // through `square`: the rooks and queens on its rank or file, the
    // bishops and queens on its diagonals (whatever stands between).
    uint64_t sliders_on_lines_to(int side, int square) const {
        const uint64_t queens = byPiece[make_piece(side, kQueen)];
        return (board_view_detail::kRays.straight[square] &
                (byPiece[make_piece(side, kRook)] | queens)) |
               (board_view_detail::kRays.diagonal[square] &
                (byPiece[make_piece(side, kBishop)] | queens));
    }

    // Whether a piece of `attacker` attacks the square (x, y): the answer of
    // IsSquareAttacked for a square on the board.  A pawn attacks the two
    // squares diagonally ahead of it, a knight and a king their steps, and a
    // slider along its lines up to the first piece.
    bool attacked_by(int attacker, int x, int y) const {
        // A piece does not attack the square it stands on.
        return attacked_on(attacker, x, y, occupied, uint64_t{1} << view_square(x, y));
    }

    // The same after the piece on (fx, fy) has stepped to (tx, ty), taking
    // whatever stood there: whether the square it left opens a line to
    // (tx, ty) and what the taken piece attacked no longer count.
    bool attacked_after_step(int attacker, int fx, int fy, int tx, int ty) const {
        const uint64_t to = uint64_t{1} << view_square(tx, ty);
        return attacked_on(attacker, tx, ty,
                           (occupied & ~(uint64_t{1} << view_square(fx, fy))) | to, to);
    }

    // Whether (x, y) is attacked by the pieces of `attacker` outside `gone`
    // with the squares in `occupancy` taken.
    bool attacked_on(int attacker, int x, int y, uint64_t occupancy, uint64_t gone) const {
        using board_view_detail::kSteps;
        const int square = view_square(x, y);
        if ((kSteps.knight[square] & byPiece[make_piece(attacker, kKnight)] & ~gone) != 0 ||
            (kSteps.king[square] & byPiece[make_piece(attacker, kKing)] & ~gone) != 0)
            return true;
        const int pawnY = y + (attacker == kWhite ? 1 : -1);  // a White pawn stands below
        if (pawnY >= 0 && pawnY <= 7) {
            const uint64_t pawns = byPiece[make_piece(attacker, kPawn)] & ~gone;
            if (x > 0 && ((pawns >> view_square(x - 1, pawnY)) & 1) != 0) return true;
            if (x < 7 && ((pawns >> view_square(x + 1, pawnY)) & 1) != 0) return true;
        }
        for (uint64_t sliders = sliders_on_lines_to(attacker, square) & ~gone; sliders != 0;
             sliders &= sliders - 1) {
            const int from = __builtin_ctzll(sliders);
            if ((board_view_detail::kBetween.mask[square][from] & occupancy) == 0) return true;
        }
        return false;
    }

    // The squares along direction d (an index into kRays) from `square` up
    // to and with the first piece on the way: the squares whose line from
    // `square` is clear.
    uint64_t line_reach(int square, int d) const {
        uint64_t ray = board_view_detail::kRays.ray[square][d];
        const uint64_t blockers = ray & occupied;
        if (blockers != 0) {
            const int first = d >= 4 ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
            ray &= ~board_view_detail::kRays.ray[first][d];
        }
        return ray;
    }

    // The squares a rook (straight lines) or a bishop (diagonals) on
    // `square` sees: every square whose line from it is clear.
    uint64_t straight_reach(int square) const {
        return line_reach(square, 1) | line_reach(square, 3) | line_reach(square, 4) |
               line_reach(square, 6);
    }
    uint64_t diagonal_reach(int square) const {
        return line_reach(square, 0) | line_reach(square, 2) | line_reach(square, 5) |
               line_reach(square, 7);
    }

    // Whether the squares strictly between (fx, fy) and (tx, ty), which
    // share a rank, a file or a diagonal, are empty.
    bool clear_between(int fx, int fy, int tx, int ty, int) const {
        return (board_view_detail::kBetween.mask[view_square(fx, fy)][view_square(tx, ty)] &
                occupied) == 0;
    }
};
