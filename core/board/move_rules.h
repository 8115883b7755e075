// The movement rules of the pieces (IsBasicMoveValid and the tests it
// calls, castling included): whether a piece may make a step, the safety of
// its own king aside.  Whether a move is legal, king included, is decided
// in core/board/legality.h.
#pragma once

#include "core/board/geometry.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <cstdlib>

// ------------------------------------------------------------ piece rules
// The movement rules of each piece type, inline so that loops which try
// many candidates of a known piece type fold the type's rule into the loop
// (always inlined: the compiler's own limits stop at the pawn's).
// The rules read the board through `b`: the engine's board itself
// (EngineBoard) or an integer view of it (core/board/board_view.h) that
// agrees with it square for square.

// The engine's board as the piece rules read it.
struct EngineBoard {
    double at(int x, int y) const { return board[x][y]; }
    bool en_passant_at(int x, int y) const { return x == enPassantX && y == enPassantY; }
    bool attacked_by(int attacker, int x, int y) const {
        return IsSquareAttacked(x, y, attacker) != 0;
    }

    // Whether the squares strictly between (fx, fy) and (tx, ty), which
    // share a row, a column or a diagonal, are empty.  The line has `steps`
    // squares from one end to the other.
    bool clear_between(int fx, int fy, int tx, int ty, int steps) const {
        const int sx = (tx > fx) - (tx < fx), sy = (ty > fy) - (ty < fy);
        int cx = fx, cy = fy;
        for (int k = steps - 1; k > 0; --k) {
            cx += sx;
            cy += sy;
            if (board[cx][cy] != 0) return false;
        }
        return true;
    }
};

namespace piece_rules {

template <class Board>
inline bool bishop_line(const Board &b, int fx, int fy, int tx, int ty) {
    const int dx = std::abs(tx - fx), dy = std::abs(ty - fy);
    return dx != 0 && dx == dy && b.clear_between(fx, fy, tx, ty, dx);
}

template <class Board>
inline bool rook_line(const Board &b, int fx, int fy, int tx, int ty) {
    return ((tx == fx) != (ty == fy)) &&
           b.clear_between(fx, fy, tx, ty, std::abs(tx - fx + ty - fy));
}

inline bool knight_jump(int fx, int fy, int tx, int ty) { return ::knight_jump(tx - fx, ty - fy); }

inline bool king_step(int fx, int fy, int tx, int ty) { return ::king_step(tx - fx, ty - fy); }

// The pawn rules (IsPawnMoveValid) for `piece` on (fx, fy): one step ahead
// to an empty square, two from the start row over two empty squares, one
// diagonal step onto an enemy piece or onto the en-passant square behind an
// enemy pawn.  A piece that is no pawn has no pawn move.
template <class Board>
QUIN_ALWAYS_INLINE bool pawn_step(const Board &b, int fx, int fy, int tx, int ty, int piece) {
    if (type_of(piece) != kPawn) return false;
    const int side = colour_of(piece);
    const int dir = side == kWhite ? -1 : 1;
    const int startRow = side == kWhite ? 6 : 1;
    const int dx = tx - fx, dy = ty - fy;
    const auto target = b.at(tx, ty);
    if (dx == 0 && dy == dir && target == 0) return true;
    if (dx == 0 && fy == startRow && dy == 2 * dir && target == 0 && b.at(fx, fy + dir) == 0)
        return true;
    if (std::abs(dx) != 1 || dy != dir) return false;
    if (target != 0) return colour_of(target) != side;
    if (b.en_passant_at(tx, ty)) return b.at(tx, fy) == make_piece(opponent_of(side), kPawn);
    return false;
}

}  // namespace piece_rules

// Whether the king on (fx, fy) may castle to (tx, ty), IsCastleValid's rule
// in whole numbers: the king and the rook have not moved, the squares between
// them are empty, and neither the king's square nor the two it crosses or
// reaches is attacked.  Reads the squares and attacks through `b`, the
// castling flags from the engine's state.
template <class Board>
bool castle_allowed_on(const Board &b, int fx, int fy, int tx, int ty) {
    const int piece = static_cast<int>(b.at(fx, fy));
    if (type_of(piece) != kKing) return false;
    const bool white = colour_of(piece) == kWhite;
    const int rank = white ? 7 : 0;
    const int enemy = white ? kBlack : kWhite;
    const int rook = make_piece(colour_of(piece), kRook);
    if (fx != 4 || fy != rank || (white ? whiteKingMoved : blackKingMoved) != 0 ||
        b.attacked_by(enemy, 4, rank))
        return false;
    if (tx == 6 && ty == rank)
        return (white ? whiteRookHMoved : blackRookHMoved) == 0 && b.at(7, rank) == rook &&
               b.at(5, rank) == 0 && b.at(6, rank) == 0 && !b.attacked_by(enemy, 5, rank) &&
               !b.attacked_by(enemy, 6, rank);
    if (tx == 2 && ty == rank)
        return (white ? whiteRookAMoved : blackRookAMoved) == 0 && b.at(0, rank) == rook &&
               b.at(1, rank) == 0 && b.at(2, rank) == 0 && b.at(3, rank) == 0 &&
               !b.attacked_by(enemy, 3, rank) && !b.attacked_by(enemy, 2, rank);
    return false;
}

// Castling on the engine's board.
QUIN_NOINLINE bool castle_allowed(int fx, int fy, int tx, int ty) {
    return castle_allowed_on(EngineBoard(), fx, fy, tx, ty);
}

// The piece rules (IsBasicMoveValid) for `piece`, of type Type, standing on
// (fx, fy): the target holds no piece of its own side and no king, and the
// type's movement rule allows the step.  Castling reads the squares and
// attacks through `b` too (a view agrees with the engine's board) and the
// castling flags from the engine's state.
template <int Type, class Board>
QUIN_ALWAYS_INLINE bool piece_rules_allow_as(const Board &b, int fx, int fy, int tx, int ty,
                                             int piece) {
    assert(piece != 0 && b.at(fx, fy) == piece && board[fx][fy] == piece && type_of(piece) == Type);
    const auto target = b.at(tx, ty);
    if (target != 0) {
        if (colour_of(target) == colour_of(piece)) return false;
        if (type_of(target) == kKing) return false;
    }
    switch (Type) {
        case kPawn: return piece_rules::pawn_step(b, fx, fy, tx, ty, piece);
        case kRook: return piece_rules::rook_line(b, fx, fy, tx, ty);
        case kKnight: return piece_rules::knight_jump(fx, fy, tx, ty);
        case kBishop: return piece_rules::bishop_line(b, fx, fy, tx, ty);
        case kQueen:
            return piece_rules::rook_line(b, fx, fy, tx, ty) ||
                   piece_rules::bishop_line(b, fx, fy, tx, ty);
        case kKing: {
            if (piece_rules::king_step(fx, fy, tx, ty)) return true;
            const bool castle = castle_allowed_on(b, fx, fy, tx, ty);
            assert(castle == castle_allowed(fx, fy, tx, ty));
            return castle;
        }
        default: return false;
    }
}

// The piece rules alone (IsBasicMoveValid), on the engine's board.
QUIN_NOINLINE bool piece_rules_allow(int fx, int fy, int tx, int ty) {
    const EngineBoard b;
    const int piece = static_cast<int>(b.at(fx, fy));
    return with_piece_type(type_of(piece), [&](auto type) {
        if constexpr (type() == kEmpty)
            return false;  // an empty square
        else
            return piece_rules_allow_as<type()>(b, fx, fy, tx, ty, piece);
    });
}
