// What a move changes on the board, described once: the squares it writes
// and their piece codes before and after.  The moved piece leaves its square
// and lands on the target (as a queen when a pawn reaches the last rank),
// a castling king's rook jumps from its corner to the square the king
// passed, and an en-passant capture empties the square beside the target.
//
// The move maker (MakeSearchMove), the legality and check tests that play a
// move in place and take it back, the board view's update and perft's
// take-back all walk this one description.
#pragma once

#include "core/quin_core.h"
#include "core/types.h"

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

// The effects of the move from (fx, fy) to (tx, ty) in the position that `b`
// shows (the engine's board or its integer view: anything with at(x, y) and
// en_passant_at(x, y)).  The move is one the piece rules allow; castling is
// a king's step of two files from its own square.
template <class Board>
inline MoveEffects move_effects(const Board &b, int fx, int fy, int tx, int ty) {
    MoveEffects e;
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

// Writes the move's squares on `board`, and puts them back.
inline void write_changes(const MoveEffects &e) {
    for (int i = 0; i < e.count; ++i) board[e.change[i].x][e.change[i].y] = e.change[i].after;
}
inline void take_back_changes(const MoveEffects &e) {
    for (int i = e.count - 1; i >= 0; --i) board[e.change[i].x][e.change[i].y] = e.change[i].before;
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

// Plays the described move: its squares on the board, then the side state, as
// MakeSearchMove plays a move.
inline void make_move(const MoveEffects &e) {
    write_changes(e);
    update_side_state(e);
}
