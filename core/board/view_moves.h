// Move tests over the integer view of the board (core/board/board_view.h)
// for loops that try many candidates of one position: the king's safety
// and the legality of a candidate, answered as the engine's tests on the
// board answer them.  Debug builds check each answer against those tests.
#pragma once

#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <type_traits>

// The safety of one side's king on the view, worked out once per position
// and shared by every candidate move of the side: where the king stands and
// whether the enemy attacks it (KingSafety) and, when it is safe, the
// pieces that shield it from an enemy slider (BoardView::shields_of), which
// alone among its pieces may expose it by moving.
struct ViewKingSafety {
    KingSafety king;
    uint64_t shields = 0;
};

// ViewKingSafety with the side's king on (kx, ky).
inline ViewKingSafety view_king_safety_on(const BoardView &v, int side, int kx, int ky) {
    ViewKingSafety s;
    s.king.king = king_pos(kx, ky);
    s.king.attacked = v.attacked_by(opponent_of(side), kx, ky);
    if (!s.king.attacked) s.shields = v.shields_of(side, kx, ky);
    assert(s.king.attacked == king_safety_at(side, s.king.king).attacked);
    return s;
}

// The same with the king on kingPos (FindKing(side), -1 for none).
inline ViewKingSafety view_king_safety_at(const BoardView &v, int side, int kingPos) {
    if (kingPos < 0) return ViewKingSafety();
    return view_king_safety_on(v, side, king_pos_x(kingPos), king_pos_y(kingPos));
}

// The same with the king found on the view: FindKing's king is the first
// in board order.
inline ViewKingSafety view_king_safety(const BoardView &v, int side) {
    const uint64_t kings = v.byPiece[make_piece(side, kKing)];
    if (kings == 0) return ViewKingSafety();
    const int square = lowest_square(kings);
    const ViewKingSafety s = view_king_safety_on(v, side, square_x(square), square_y(square));
    assert(s.king.king == king_safety(side).king);
    return s;
}

// IsMoveValid for a candidate of `piece`, of type Type: legal_with_as, but
// a king's step (not castling) is decided on the view.  The step is legal
// when the piece rules allow it and no enemy piece attacks the target once
// the king stands there, which is the test IsMoveValid makes by playing it.
template <int Type>
QUIN_ALWAYS_INLINE bool view_legal_as(const BoardView &v, const KingSafety &k, bool decide, int fx,
                                      int fy, int tx, int ty, int piece) {
    if (Type != kKing || tx - fx == 2 || fx - tx == 2)
        return legal_with_as<Type>(v, k, decide, fx, fy, tx, ty, piece);
    const bool legal = piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
                       !v.attacked_after_step(opponent_of(colour_of(piece)), fx, fy, tx, ty);
    assert(legal == legal_with_as<Type>(v, k, decide, fx, fy, tx, ty, piece));
    return legal;
}

// Whether a piece of type Type of `side` has a legal move: legal(type, fx,
// fy, tx, ty, piece) decides each candidate that is no own piece's square.
template <int Type, class Legal>
inline bool view_type_has_move(const BoardView &v, int side, Legal &&legal) {
    const int piece = make_piece(side, Type);
    const std::integral_constant<int, Type> type;
    for (uint64_t pieces = v.byPiece[piece]; pieces != 0;) {
        const int square = pop_lsb(pieces);
        const int fx = square_x(square), fy = square_y(square);
        for (uint64_t targets = window_squares(Type, side == kWhite, fx, fy) & ~v.bySide[side];
             targets != 0;) {
            const int to = pop_lsb(targets);
            if (legal(type, fx, fy, square_x(to), square_y(to), piece)) return true;
        }
    }
    return false;
}

// Whether some piece of `side` has a legal move, trying the types in the
// order given.
template <int... Types, class Legal>
inline bool view_types_have_move(const BoardView &v, int side, Legal &&legal) {
    return (view_type_has_move<Types>(v, side, legal) || ...);
}

// any_legal_move(side, &safety.king) on the view: whether the side has a
// legal move does not hang on the order its pieces are tried in.  In check the king's steps are
// tried first, and the other pieces' moves are decided by whether they answer every attack
// (SideMoveLegality).
inline bool view_any_legal_move(const BoardView &v, int side, const ViewKingSafety &safety) {
    const KingSafety &k = safety.king;
    const uint64_t shields = safety.shields;
    bool any;
    if (!k.attacked) {
        any = view_types_have_move<kPawn, kKnight, kBishop, kRook, kQueen, kKing>(
            v, side, [&](auto type, int fx, int fy, int tx, int ty, int piece) {
                return view_legal_as<type()>(v, k, rules_decide(k, shields, fx, fy, piece), fx, fy,
                                             tx, ty, piece);
            });
    } else {
        SideMoveLegality legality(side, k);
        any = view_types_have_move<kKing, kPawn, kKnight, kBishop, kRook, kQueen>(
            v, side, [&](auto type, int fx, int fy, int tx, int ty, int piece) {
                if (type() == kKing)
                    return view_legal_as<kKing>(v, k, false, fx, fy, tx, ty, piece);
                return piece_rules_allow_as<type()>(v, fx, fy, tx, ty, piece) &&
                       legality.allowed_legal(fx, fy, tx, ty);
            });
    }
    assert(any == any_legal_move(side, &k));
    return any;
}
