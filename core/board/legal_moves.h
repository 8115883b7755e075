// The legal moves of one piece on the board view, in the order of its
// candidate window (core/board/candidate_windows.h: rows ascending, within a
// row files ascending, which is ascending square order): the one move
// generator of perft and of the tree search's move lists.  Each candidate
// is decided by the engine's move rules and legality test
// (core/board/legality.h); the facts that hold for the whole position (the
// king's square, whether it is attacked, which pieces shield it) are the
// caller's, worked out once.
#pragma once

#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/types.h"

#include <cstdint>

// Calls visit(fx, fy, tx, ty, promotion) for every legal move of `piece`,
// of type Type, standing on (fx, fy), in window order; promotion tells a
// pawn reaching the last rank.  The type's window and piece rule fold into
// one loop.
template <int Type, typename Visit>
inline void visit_legal_moves_as(const BoardView &v, const KingSafety &k, uint64_t shields,
                                 int side, int fx, int fy, int piece, Visit &visit) {
    const bool decide = rules_decide(k, shields, fx, fy, piece);
    // Own pieces (and the piece's own square) and the enemy king are never
    // a move: the piece rules' first test throws out a target holding
    // either.
    uint64_t targets = window_squares(Type, side == kWhite, fx, fy) & ~v.bySide[side] &
                       ~v.byPiece[make_piece(opponent_of(side), kKing)];
    const int from = square_of(fx, fy);
    if (Type == kPawn) {
        // The pawn rule's own first tests: a step straight ahead lands on
        // an empty square, a diagonal step on an enemy piece or on the
        // en-passant square.
        const uint64_t file = file_mask(fx);
        const uint64_t enPassant = v.enPassant >= 0 ? square_bit(v.enPassant) : 0;
        targets &= (file & ~v.occupied) | (~file & (v.bySide[opponent_of(side)] | enPassant));
    } else if (Type == kRook) {
        // The line test: a target behind the first piece on its line fails.
        targets &= v.straight_reach(from);
    } else if (Type == kBishop) {
        targets &= v.diagonal_reach(from);
    } else if (Type == kQueen) {
        targets &= v.straight_reach(from) | v.diagonal_reach(from);
    } else if (Type == kKing) {
        // The castling rule's first tests: the king does not stand in check
        // and the square it passes over is empty; a two-file step is no
        // king's step.
        const bool inCheck = k.attacked && k.king == king_pos(fx, fy);
        if (fx >= 2 && (inCheck || v.at(fx - 1, fy) != 0))
            targets &= ~square_bit(square_of(fx - 2, fy));
        if (fx <= 5 && (inCheck || v.at(fx + 1, fy) != 0))
            targets &= ~square_bit(square_of(fx + 2, fy));
    }
    while (targets != 0) {
        const int square = pop_lsb(targets);
        const int tx = square_x(square), ty = square_y(square);
        if (view_move_legal<Type>(v, k, decide, fx, fy, tx, ty, piece))
            visit(fx, fy, tx, ty, Type == kPawn && (ty == 0 || ty == 7));
    }
}

// The same for a piece of any type: one copy of the loop per type.
template <typename Visit>
inline void visit_legal_moves(const BoardView &v, const KingSafety &k, uint64_t shields, int side,
                              int fx, int fy, int piece, Visit &visit) {
    switch (type_of(piece)) {
        case kPawn: visit_legal_moves_as<kPawn>(v, k, shields, side, fx, fy, piece, visit); break;
        case kRook: visit_legal_moves_as<kRook>(v, k, shields, side, fx, fy, piece, visit); break;
        case kKnight:
            visit_legal_moves_as<kKnight>(v, k, shields, side, fx, fy, piece, visit);
            break;
        case kBishop:
            visit_legal_moves_as<kBishop>(v, k, shields, side, fx, fy, piece, visit);
            break;
        case kQueen: visit_legal_moves_as<kQueen>(v, k, shields, side, fx, fy, piece, visit); break;
        case kKing: visit_legal_moves_as<kKing>(v, k, shields, side, fx, fy, piece, visit); break;
        default: break;
    }
}
