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
// Squares are numbered as core/board/geometry.h numbers them.
#pragma once

#include "core/board/board_codes_simd.h"
#include "core/board/geometry.h"
#include "core/board/slider_attacks.h"
#include "core/board/move_effects.h"
#include "core/board/piece_sets.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>

struct BoardView : PieceSets {
    signed char cell[64];  // the piece code on each square, 0 when empty
    int enPassant;         // the en-passant square (enPassantX, enPassantY), -1 for none

    // Takes the en-passant square from the globals.
    void load_en_passant() {
        const bool on = enPassantX >= 0 && enPassantX <= 7 && enPassantY >= 0 && enPassantY <= 7 &&
                        enPassantX == static_cast<int>(enPassantX) &&
                        enPassantY == static_cast<int>(enPassantY);
        enPassant = on ? square_of(static_cast<int>(enPassantX), static_cast<int>(enPassantY)) : -1;
    }

    // Whether (x, y) is the en-passant square.
    bool en_passant_at(int x, int y) const { return square_of(x, y) == enPassant; }

    // Takes every square from `board`: one byte per square and the bit
    // planes of the codes read sixteen squares at a time, each code's
    // squares the planes' squares that hold its bits.
    void load() {
        load_en_passant();
        uint64_t planes[5];
        read_board_cells(cell, planes);
        assert(cells_in_range());
        occupied = planes[0] | planes[1] | planes[2] | planes[3] | planes[4];
        // Codes 11 to 16 are black: bit 4, or bit 3 with bit 2 or bits 1 and 0.
        bySide[kBlack] = planes[4] | (planes[3] & (planes[2] | (planes[1] & planes[0])));
        bySide[kWhite] = occupied & ~bySide[kBlack];
        byPiece[0] = 0;
#pragma GCC unroll 16
        for (int code = 1; code <= kBlackOffset + kKing; ++code) {
            uint64_t squares = ~uint64_t{0};
#pragma GCC unroll 5
            for (int k = 0; k < 5; ++k) squares &= (code >> k) & 1 ? planes[k] : ~planes[k];
            byPiece[code] = squares;
        }
    }

    // Whether every square of `board` holds a code from 0 to 16 as the view
    // reads it.
    bool cells_in_range() const {
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y) {
                const int code = static_cast<int>(board[x][y]);
                if (code < 0 || code > kBlackOffset + kKing || cell[square_of(x, y)] != code)
                    return false;
            }
        return true;
    }

    // Brings the view up to date after the move `e` (MakeSearchMove, or
    // do_move with another promotion piece) on the position it showed:
    // the squares the move wrote take their new pieces, and the en-passant
    // square is taken anew from the globals.
    void apply(const MoveEffects &e) {
        // The target takes the moving piece (or its promotion), the square
        // left empties; en passant and castling write more squares.
        assert(e.count >= 2 && e.change[0].after != 0 && e.change[1].after == 0);
        set(square_of(e.change[0].x, e.change[0].y), e.change[0].after);
        lift(square_of(e.change[1].x, e.change[1].y));
        for (int i = 2; i < e.count; ++i)
            set(square_of(e.change[i].x, e.change[i].y), e.change[i].after);
        load_en_passant();
    }

    // Empties `square`, which holds a piece.
    void lift(int square) {
        const uint64_t bit = square_bit(square);
        const int old = cell[square];
        assert(old != 0);
        occupied &= ~bit;
        bySide[colour_of(old)] &= ~bit;
        byPiece[old] &= ~bit;
        cell[square] = 0;
    }

    // Puts `piece` (0 for none) on `square` in place of what stood there.
    void set(int square, int piece) {
        if (cell[square] != 0) lift(square);
        if (piece == 0) return;
        const uint64_t bit = square_bit(square);
        cell[square] = static_cast<signed char>(piece);
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

    // Where the side's king stands, as FindKing finds it: the first king in
    // board order (the lowest square), kNoSquare for none.
    Square king_square_of(int side) const {
        const uint64_t kings = byPiece[make_piece(side, kKing)];
        return kings == 0 ? kNoSquare : lowest_square(kings);
    }

    // The piece code on (x, y), 0 for an empty square.
    int at(int x, int y) const { return cell[square_of(x, y)]; }

    // The pieces of `side` that shield its king on `king` from an enemy
    // slider, one bit per square: each piece of the side that stands alone
    // between the king and an enemy queen, rook on a rank or file, or
    // bishop on a diagonal: for each piece of the side, the answer of
    // piece_shields_king (core/board/legality.h), from the enemy sliders
    // instead of a walk per piece.
    uint64_t shields_of(int side, Square king) const {
        return lone_blockers(opponent_of(side), king, side);
    }

    // The pieces of `blockerSide` that stand alone between `square` and a
    // queen, rook on a rank or file, or bishop on a diagonal of
    // `sliderSide`: with `square` a king's, the pieces that shield it (the
    // king's side) or whose move uncovers a check on it (the other side).
    uint64_t lone_blockers(int sliderSide, int square, int blockerSide) const {
        uint64_t found = 0;
        for (uint64_t sliders = sliders_on_lines_to(sliderSide, square); sliders != 0;) {
            const uint64_t inside = between(square, pop_lsb(sliders)) & occupied;
            if (inside != 0 && !more_than_one(inside)) found |= inside & bySide[blockerSide];
        }
        return found;
    }

    // The pieces of `attacker` that attack `square`, by the rules of
    // attacked_by.
    uint64_t attackers_to(int attacker, int square) const {
        const uint64_t queens = byPiece[make_piece(attacker, kQueen)];
        return (pawn_attacks(opponent_of(attacker), square_bit(square)) &
                byPiece[make_piece(attacker, kPawn)]) |
               (knight_squares(square) & byPiece[make_piece(attacker, kKnight)]) |
               (king_squares(square) & byPiece[make_piece(attacker, kKing)]) |
               (straight_attacks(square, occupied) &
                (byPiece[make_piece(attacker, kRook)] | queens)) |
               (diagonal_attacks(square, occupied) &
                (byPiece[make_piece(attacker, kBishop)] | queens));
    }

    // The queens, rooks and bishops of `side` that move along a line
    // through `square`: the rooks and queens on its rank or file, the
    // bishops and queens on its diagonals (whatever stands between).
    uint64_t sliders_on_lines_to(int side, int square) const {
        const uint64_t queens = byPiece[make_piece(side, kQueen)];
        return (kRays.straight[square] & (byPiece[make_piece(side, kRook)] | queens)) |
               (kRays.diagonal[square] & (byPiece[make_piece(side, kBishop)] | queens));
    }

    // Whether a piece of `attacker` attacks the square (x, y): the answer of
    // IsSquareAttacked for a square on the board.  A pawn attacks the two
    // squares diagonally ahead of it, a knight and a king their steps, and a
    // slider along its lines up to the first piece.
    bool attacked_by(int attacker, int x, int y) const {
        // A piece does not attack the square it stands on.
        return attacked_on(attacker, x, y, occupied, square_bit(square_of(x, y)));
    }

    // Whether a piece of `attacker` attacks `to` once the piece on `from`
    // has stepped there, taking whatever stood there: the square it left may
    // open a line to `to`, and what the taken piece attacked no longer
    // counts.
    bool attacked_after_step(int attacker, Square from, Square to) const {
        const uint64_t target = square_bit(to);
        return attacked_on(attacker, square_x(to), square_y(to),
                           (occupied & ~square_bit(from)) | target, target);
    }

    // Whether a piece of `attacker` attacks (x, y) once the move `e`, on the
    // position the view shows, is made: what stood on the squares the move
    // writes no longer counts, the pieces it puts there attack from them,
    // and every line is read with the squares as the move leaves them
    // (castling's rook and en passant's taken pawn included).
    bool attacked_after_move(int attacker, int x, int y, const MoveEffects &e) const {
        const int square = square_of(x, y);
        uint64_t occupancy = occupied, gone = 0;
        for (int i = 0; i < e.count; ++i) {
            const uint64_t bit = square_bit(square_of(e.change[i].x, e.change[i].y));
            gone |= bit;
            occupancy = e.change[i].after != 0 ? occupancy | bit : occupancy & ~bit;
        }
        for (int i = 0; i < e.count; ++i) {
            const int piece = e.change[i].after;
            if (piece != 0 && colour_of(piece) == attacker &&
                piece_attacks_on(type_of(piece), attacker, square_of(e.change[i].x, e.change[i].y),
                                 square, occupancy))
                return true;
        }
        return attacked_on(attacker, x, y, occupancy, gone);
    }

    // Whether a piece of `type` and `side` on `from` attacks `target`, with
    // the squares in `occupancy` taken: a pawn diagonally ahead, a knight
    // and a king by their steps, a slider along its lines up to the first
    // piece.
    static bool piece_attacks_on(int type, int side, int from, int target, uint64_t occupancy) {
        switch (type) {
            case kPawn: return (pawn_attacks(side, square_bit(from)) >> target) & 1;
            case kKnight: return (knight_squares(from) >> target) & 1;
            case kKing: return (king_squares(from) >> target) & 1;
            case kRook:
            case kBishop:
            case kQueen:
                return from != target &&
                       slides_along(type, square_x(from) - square_x(target),
                                    square_y(from) - square_y(target)) &&
                       (between(target, from) & occupancy) == 0;
            default: return false;
        }
    }

    // Whether (x, y) is attacked by the pieces of `attacker` outside `gone`
    // with the squares in `occupancy` taken.
    bool attacked_on(int attacker, int x, int y, uint64_t occupancy, uint64_t gone) const {
        return square_attacked(square_of(x, y), attacker, attackers_of(attacker, gone), occupancy);
    }

    // The pieces of `attacker` outside `gone`, by kind.
    AttackerSets attackers_of(int attacker, uint64_t gone) const {
        const uint64_t queens = byPiece[make_piece(attacker, kQueen)];
        return {byPiece[make_piece(attacker, kPawn)] & ~gone,
                byPiece[make_piece(attacker, kKnight)] & ~gone,
                byPiece[make_piece(attacker, kKing)] & ~gone,
                (byPiece[make_piece(attacker, kRook)] | queens) & ~gone,
                (byPiece[make_piece(attacker, kBishop)] | queens) & ~gone};
    }

    // The squares a rook (straight lines) or a bishop (diagonals) on
    // `square` sees: every square whose line from it is clear.
    uint64_t straight_reach(int square) const { return straight_attacks(square, occupied); }
    uint64_t diagonal_reach(int square) const { return diagonal_attacks(square, occupied); }

    // The squares a piece of `type` on `square` may go to as far as its
    // lines allow: a rook's, bishop's or queen's reach, every square for a
    // piece that does not slide.
    uint64_t line_reach(int type, int square) const {
        if (type == kRook) return straight_reach(square);
        if (type == kBishop) return diagonal_reach(square);
        if (type == kQueen) return straight_reach(square) | diagonal_reach(square);
        return ~uint64_t{0};
    }

    // Whether the squares strictly between (fx, fy) and (tx, ty), which
    // share a rank, a file or a diagonal, are empty.
    bool clear_between(int fx, int fy, int tx, int ty, int) const {
        return (between(square_of(fx, fy), square_of(tx, ty)) & occupied) == 0;
    }
};

// Plays the move `e` on the board and its side state (do_move) and on
// `view`, which showed the position before it.  The view is not taken back:
// a caller that keeps the view of the position before the move plays on a
// copy.
inline void do_move(const MoveEffects &e, MoveUndo &undo, BoardView &view) {
    do_move(e, undo);
    view.apply(e);
}
