// What a move changes on the board, described once, and the one move maker
// that applies it and takes it back.  A move's effects are the squares it
// writes and their piece codes before and after: the moved piece leaves its
// square and lands on the target (as a queen when a pawn reaches the last
// rank, unless told otherwise), a castling king's rook jumps from its corner
// to the square the king passed, and an en-passant capture empties the
// square beside the target.
//
// do_move plays the effects on the board and the side state (castling
// flags, en-passant square, half-move clock), filling a small undo record;
// undo_move, given the same move and record, puts back exactly what do_move
// changed.  The board view's copy
// follows with the overload in core/board/board_view.h.  The tests that only
// look at the squares after a move (is the king attacked then?) play it with
// MoveScope::kSquares, which leaves the side state alone.  Every move the
// engine plays (the search's nodes, perft, the front end's moves, the check
// and legality tests that play a move in place) goes through this pair.
#pragma once

#include "core/board/geometry.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>

// One square a move writes: its piece code before and after the move.
struct SquareChange {
    signed char x, y;
    signed char before, after;
};

struct MoveEffects {
    int fx, fy, tx, ty;
    int piece;     // the moving piece
    int captured;  // the piece taken (the pawn taken en passant included), 0 for none
    int count;     // changes in use: 2, or 3 by en passant, or 4 by castling
    // [0] the target, [1] the square left, then the pawn taken en passant or
    // the castling rook's landing square and corner.
    SquareChange change[4];

    // Whether a pawn reaches the last rank, and the piece type it becomes
    // (a queen unless told otherwise).
    bool promotion() const { return type_of(piece) == kPawn && (ty == 0 || ty == 7); }
    void promote_to(int type) {
        change[0].after = static_cast<signed char>(make_piece(colour_of(piece), type));
    }
};

// The effects of the move from `from` to `to` in the position that `b`
// shows (the engine's board or its integer view: anything with at(x, y) and
// en_passant_at(x, y)).  The move is one the piece rules allow; castling is
// a king's step of two files from its own square.
template <class Board>
inline MoveEffects move_effects(const Board &b, Square from, Square to) {
    MoveEffects e;
    const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
    e.fx = fx;
    e.fy = fy;
    e.tx = tx;
    e.ty = ty;
    const int piece = static_cast<int>(b.at(fx, fy));
    const int target = static_cast<int>(b.at(tx, ty));
    const int type = type_of(piece);
    e.piece = piece;
    e.captured = target;
    const auto code = [](int value) { return static_cast<signed char>(value); };
    e.change[0] = {code(tx), code(ty), code(target), code(piece)};
    e.change[1] = {code(fx), code(fy), code(piece), code(kEmpty)};
    e.count = 2;
    if (e.promotion()) e.promote_to(kQueen);
    const bool sideStep = tx - fx == 1 || fx - tx == 1;
    if (type == kPawn && target == kEmpty && sideStep && b.en_passant_at(tx, ty)) {
        const int victim = static_cast<int>(b.at(tx, fy));
        e.captured = victim;
        e.change[e.count++] = {code(tx), code(fy), code(victim), code(kEmpty)};
    } else if (type == kKing && (tx - fx == 2 || fx - tx == 2)) {
        const int rookFrom = tx > fx ? 7 : 0, rookTo = tx > fx ? 5 : 3;
        const int rook = static_cast<int>(b.at(rookFrom, fy));
        e.change[e.count++] = {code(rookTo), code(fy), code(static_cast<int>(b.at(rookTo, fy))),
                               code(rook)};
        e.change[e.count++] = {code(rookFrom), code(fy), code(rook), code(kEmpty)};
    }
    return e;
}

namespace move_detail {

// The move's squares on `board`, and their pieces before it.  Every move
// writes its target and the square it left; only en passant and castling
// write more.
inline void write_change(const SquareChange &c, int piece) { board[c.x][c.y] = piece; }
inline void write_changes(const MoveEffects &e) {
    assert(e.count >= 2);
    write_change(e.change[0], e.change[0].after);
    write_change(e.change[1], e.change[1].after);
    for (int i = 2; i < e.count; ++i) write_change(e.change[i], e.change[i].after);
}
inline void take_back_changes(const MoveEffects &e) {
    for (int i = e.count - 1; i >= 2; --i) write_change(e.change[i], e.change[i].before);
    write_change(e.change[1], e.change[1].before);
    write_change(e.change[0], e.change[0].before);
}

}  // namespace move_detail

// The side state a move changes: the six castling flags, the en-passant
// square and the half-move clock.
struct SideState {
    double whiteKing, blackKing, whiteRookA, whiteRookH, blackRookA, blackRookH;
    double enPassantX, enPassantY, halfmoveClock;
};

inline SideState side_state() {
    return {whiteKingMoved,  blackKingMoved, whiteRookAMoved, whiteRookHMoved, blackRookAMoved,
            blackRookHMoved, enPassantX,     enPassantY,      halfmoveClock};
}

inline void put_side_state(const SideState &s) {
    whiteKingMoved = s.whiteKing;
    blackKingMoved = s.blackKing;
    whiteRookAMoved = s.whiteRookA;
    whiteRookHMoved = s.whiteRookH;
    blackRookAMoved = s.blackRookA;
    blackRookHMoved = s.blackRookH;
    enPassantX = s.enPassantX;
    enPassantY = s.enPassantY;
    halfmoveClock = s.halfmoveClock;
}

// The side state after the move: the half-move clock (reset by a pawn move
// or a capture), the castling flags, and the en-passant square (the square
// a pawn's double step passed over, none after any other move).
inline void update_side_state(const MoveEffects &e) {
    const int type = type_of(e.piece);
    if (type == kPawn || e.captured != kEmpty)
        halfmoveClock = 0;
    else
        halfmoveClock += 1;
    // Only a king's or rook's move, or a rook taken, touches the castling
    // flags.
    if (type == kKing || type == kRook || type_of(e.captured) == kRook)
        UpdateCastlingRights(e.piece, e.fx, e.fy, e.tx, e.ty, e.captured);
    enPassantX = -1;
    enPassantY = -1;
    if (type == kPawn && (e.ty - e.fy == 2 || e.fy - e.ty == 2)) {
        enPassantX = e.fx;
        enPassantY = Int((e.fy + e.ty) * 0.5);
    }
}

// How much of the position a move made with do_move changes: the squares
// and the side state (a move that stands), or the squares alone (a move
// played to look at the board after it and taken back at once).
enum class MoveScope { kWhole, kSquares };

// What undo_move needs beside the move: the side state before it (left
// unwritten by MoveScope::kSquares).
struct MoveUndo {
    SideState before;
};

// Plays the move `e` on the board and, for kWhole, on the side state, as
// MakeSearchMove plays a move (with e's promotion piece); undo_move with the
// same `e` and `undo` takes it back.
template <MoveScope Scope = MoveScope::kWhole>
inline void do_move(const MoveEffects &e, MoveUndo &undo) {
    if (Scope == MoveScope::kWhole) undo.before = side_state();
    move_detail::write_changes(e);
    if (Scope == MoveScope::kWhole) update_side_state(e);
}

template <MoveScope Scope = MoveScope::kWhole>
inline void undo_move(const MoveEffects &e, const MoveUndo &undo) {
    move_detail::take_back_changes(e);
    if (Scope == MoveScope::kWhole) put_side_state(undo.before);
}
