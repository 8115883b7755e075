// How legality is decided on the integer view of the board
// (core/board/board_view.h), beneath the legal-move interface of
// core/board/legal_moves.h.  The file reads from the top down:
//
//   how safe is the side's king?          view_king_safety, with_check_detail
//       where it stands, whether the enemy attacks it, which of its pieces
//       shield it from an enemy slider and, in check, which squares answer
//       the check: worked out once per position and shared by every
//       candidate move of the side
//   is this move legal?                   view_candidate_legal<Type>
//       (view_move_legal<Type> for a side out of check)
//   has the side a legal move?            view_any_legal_move
//
// Every answer is IsMoveValid's or HasLegalMove's, and every one is read
// from the view: the piece rules (core/board/move_rules.h), the attack test
// on the view (BoardView::attacked_by, attacked_after_step and
// attacked_after_move over square_attacked of core/board/geometry.h) and
// what a move changes (core/board/move_effects.h).  The double board's own
// routines (IsMoveValid and legal_by_playing, IsSquareAttacked, FindKing)
// are the reference that Debug builds check the answers against.  What
// only this file uses sits in namespace legality_detail; the rest serves
// LegalMoves, the quiet node and the tests.
#pragma once

#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <type_traits>

// Plays the move of the piece on (fx, fy) on the board, asks whether the
// enemy attacks the king on (kx, ky) (when kx is negative, the first king of
// the mover's colour in board order: rank 8 to rank 1, file a to h) and
// takes the move back: IsMoveValid's test, false when the piece rules forbid
// the move.
bool legal_by_playing(int fx, int fy, int tx, int ty, int kx, int ky);

// ------------------------------------------------------------ king safety
// What a position says about the safety of one side's king, shared by every
// candidate move of that side while the position stands: the square of the
// king FindKing finds (the first in board order) and whether the enemy
// attacks it.
struct KingSafety {
    Square king = kNoSquare;
    bool attacked = false;
};

// The king's safety read from the double board, for the Debug checks: FindKing's king and
// IsSquareAttacked's answer.
inline KingSafety king_safety(int side) {
    KingSafety k;
    k.king = king_square(static_cast<int>(FindKing(side)));
    if (k.king != kNoSquare)
        k.attacked = IsSquareAttacked(square_x(k.king), square_y(k.king), opponent_of(side)) != 0;
    return k;
}

// The safety of one side's king on the view: KingSafety and the pieces
// that shield it from an enemy slider (BoardView::shields_of), which alone
// among its pieces may expose it by moving; with the king attacked, the
// shields are known only with checkDetail (with_check_detail).
struct ViewKingSafety {
    KingSafety king;
    uint64_t shields = 0;
    // With the king attacked: the squares on which a move of a piece that
    // shields nothing answers every attack (the attacker's square and, for
    // a slider, the squares between; none against two attackers).
    uint64_t evasions = 0;
    bool checkDetail = false;  // with the king attacked: shields and evasions known
};

namespace legality_detail {

// The squares on which a move answers the check on the side's king on `king`
// (ViewKingSafety::evasions).
QUIN_NOINLINE uint64_t evasion_squares(const BoardView &v, int side, int king) {
    const uint64_t checkers = v.attackers_to(opponent_of(side), king);
    if (more_than_one(checkers)) return 0;
    const int checker = lowest_square(checkers);
    return square_bit(checker) | between(king, checker);
}

}  // namespace legality_detail

// `s` with, when its king is attacked, the shields and evasion squares.
inline ViewKingSafety with_check_detail(const BoardView &v, int side, ViewKingSafety s) {
    if (!s.king.attacked || s.checkDetail) return s;
    s.shields = v.shields_of(side, s.king.king);
    s.evasions = legality_detail::evasion_squares(v, side, s.king.king);
    s.checkDetail = true;
    return s;
}

// The safety of the side's king on the view, the king on `king` (the square
// of FindKing(side), kNoSquare for none); with the king attacked also its
// shields and the evasion squares, from which view_candidate_legal decides
// the answers to a check.  Written into `s` field by field (a node's own
// copy, read back at once, is not built in a temporary first).
inline void fill_view_king_safety(ViewKingSafety &s, const BoardView &v, int side, Square king) {
    s.king.king = king;
    s.king.attacked = false;
    s.shields = s.evasions = 0;
    s.checkDetail = false;
    if (king == kNoSquare) return;
    // The king's own square holds no enemy piece, so the enemy pieces that
    // attack it are attacked_by's answer.
    s.king.attacked = v.attackers_to(opponent_of(side), king) != 0;
    assert(s.king.attacked == v.attacked_by(opponent_of(side), square_x(king), square_y(king)));
    s.shields = v.shields_of(side, king);
    if (s.king.attacked) {
        s.evasions = legality_detail::evasion_squares(v, side, king);
        s.checkDetail = true;
    }
    assert(s.king.attacked == king_safety(side).attacked);
}

inline ViewKingSafety view_king_safety_at(const BoardView &v, int side, Square king) {
    ViewKingSafety s;
    fill_view_king_safety(s, v, side, king);
    return s;
}

// The safety of the side's king on the view, the king found there: the first
// in board order, as FindKing finds it; in check with its detail.
inline ViewKingSafety view_king_safety(const BoardView &v, int side) {
    const ViewKingSafety s = view_king_safety_at(v, side, v.king_square_of(side));
    assert(s.king.king == king_safety(side).king);
    return s;
}

// ------------------------------------------------------------ one move
// Whether the piece rules alone decide the moves of the piece on `from` (en
// passant aside): with its king safe, a piece that neither is the king nor
// shields it from a slider (shields: ViewKingSafety::shields) cannot leave
// the king attacked.
inline bool rules_decide(const KingSafety &k, uint64_t shields, Square from, int piece) {
    if (k.king == kNoSquare || k.attacked || type_of(piece) == kKing) return false;
    return ((shields >> from) & 1) == 0;
}

namespace legality_detail {

// Whether the mover's king is safe after the move of `piece` from `from` to
// `to`, which the piece rules allow, read from the view with every square
// the move writes (castling's rook and en passant's taken pawn included):
// IsMoveValid's question, asked of the first king of the mover's colour in
// board order after the move.  Without a king every move the rules allow
// is legal.
QUIN_NOINLINE bool king_safe_after(const BoardView &v, const KingSafety &k, Square from, Square to,
                                   int piece) {
    const int side = colour_of(piece);
    Square king = k.king;
    if (type_of(piece) == kKing) {
        const uint64_t kings =
            (v.byPiece[make_piece(side, kKing)] & ~square_bit(from)) | square_bit(to);
        king = lowest_square(kings);
    }
    if (king == kNoSquare) return true;
    return !v.attacked_after_move(opponent_of(side), square_x(king), square_y(king),
                                  move_effects(v, from, to));
}

}  // namespace legality_detail

// Whether the king stays safe after a move of `piece` from `from` to `to`
// that the piece rules allow, given the position's king safety and
// rules_decide for the piece: the rules' word when they decide (en passant,
// which also empties a second square, aside), else the view's attack test
// after the move.
inline bool king_stays_safe(const BoardView &v, const KingSafety &k, bool decide, Square from,
                            Square to, int piece) {
    const bool enPassant =
        type_of(piece) == kPawn && square_x(to) != square_x(from) && v.cell[to] == 0;
    return (decide && !enPassant) || legality_detail::king_safe_after(v, k, from, to, piece);
}

// Whether a candidate of `piece`, of type Type, is legal (IsMoveValid's
// verdict), read from the view, given the position's king safety and
// rules_decide for the piece.  A king's step (not castling) is legal when the
// piece rules allow it and no enemy piece attacks the target once the king
// stands there.
template <int Type>
QUIN_ALWAYS_INLINE bool view_move_legal(const BoardView &v, const KingSafety &k, bool decide,
                                        Square from, Square to, int piece) {
    const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
    if (Type != kKing || tx - fx == 2 || fx - tx == 2)
        return piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
               king_stays_safe(v, k, decide, from, to, piece);
    const bool legal = piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
                       !v.attacked_after_step(opponent_of(colour_of(piece)), from, to);
    assert(legal == (piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
                     king_stays_safe(v, k, decide, from, to, piece)));
    return legal;
}

// Whether, with the king attacked, the move of the piece on `from` to `to`
// is legal exactly when it lands on one of s.evasions: a piece other than
// the king that shields nothing, and no en passant (which empties a second
// square).  Such a move changes two squares, and the emptied one opens no
// line to the king.
template <int Type>
inline bool evades_by_square(const BoardView &v, const ViewKingSafety &s, Square from, Square to) {
    if (Type == kKing || ((s.shields >> from) & 1)) return false;
    return !(Type == kPawn && square_x(to) != square_x(from) && v.cell[to] == 0);
}

namespace legality_detail {

// A candidate of a piece other than the king in check, the check's detail
// known: a piece that shields nothing answers the check by landing on an
// evasion square, every other move is asked of the view's attack test.
template <int Type>
inline bool legal_in_check(const BoardView &v, const ViewKingSafety &s, Square from, Square to,
                           int piece) {
    assert(s.checkDetail);
    if (!piece_rules_allow_as<Type>(v, square_x(from), square_y(from), square_x(to), square_y(to),
                                    piece))
        return false;
    if (!evades_by_square<Type>(v, s, from, to)) return king_safe_after(v, s.king, from, to, piece);
    const bool answers = (s.evasions >> to) & 1;
    assert(answers == king_safe_after(v, s.king, from, to, piece));
    return answers;
}

}  // namespace legality_detail

// Whether a candidate of `piece`, of type Type, is legal (IsMoveValid's
// verdict), read from the view, for a side whose king safety is s: out of
// check view_move_legal decides; in check a king's step is still decided on
// the view, a move of a piece that shields nothing by whether it lands on a
// square that answers the check, and every other move by the view's attack
// test after it.
template <int Type>
QUIN_ALWAYS_INLINE bool view_candidate_legal(const BoardView &v, const ViewKingSafety &s,
                                             Square from, Square to, int piece) {
    const KingSafety &k = s.king;
    if (!k.attacked)
        return view_move_legal<Type>(v, k, rules_decide(k, s.shields, from, piece), from, to,
                                     piece);
    if (Type == kKing) return view_move_legal<kKing>(v, k, false, from, to, piece);
    if (!s.checkDetail)
        return legality_detail::legal_in_check<Type>(v, with_check_detail(v, colour_of(piece), s),
                                                     from, to, piece);
    return legality_detail::legal_in_check<Type>(v, s, from, to, piece);
}

// ------------------------------------------------- has the side a move?
namespace legality_detail {

// HasLegalMove by its definition, for the Debug checks: the first square of
// some piece's window that IsMoveValid accepts.
[[maybe_unused]] inline bool any_move_by_scan(int side) {
    return !for_each_piece_of(side, [](int fx, int fy, int piece) {
        return visit_window(piece, fx, fy,
                            [fx, fy](int tx, int ty) { return IsMoveValid(fx, fy, tx, ty) != 1; });
    });
}

}  // namespace legality_detail

namespace legality_detail {

// Whether a piece of type Type of `side` has a legal move on the view:
// legal(type, from, to, piece) decides each candidate that is no own piece's
// square.
template <int Type, class Legal>
inline bool view_type_has_move(const BoardView &v, int side, Legal &&legal) {
    const int piece = make_piece(side, Type);
    const std::integral_constant<int, Type> type;
    for (uint64_t pieces = v.byPiece[piece]; pieces != 0;) {
        const Square from = pop_lsb(pieces);
        for (uint64_t targets =
                 window_squares(Type, side == kWhite, square_x(from), square_y(from)) &
                 ~v.bySide[side];
             targets != 0;) {
            if (legal(type, from, pop_lsb(targets), piece)) return true;
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

}  // namespace legality_detail

// Whether the side has a legal move, read from the view (HasLegalMove's
// answer).  In check the king's steps are tried first, and the other pieces'
// moves are decided by whether they answer the check.
inline bool view_any_legal_move(const BoardView &v, int side, const ViewKingSafety &safety) {
    const KingSafety &k = safety.king;
    bool any;
    if (!k.attacked) {
        // Out of check, a pawn or knight that shields nothing moves by its
        // rules alone: a free square ahead of such a pawn, or a knight's
        // jump to a square without an own piece, is a legal move.
        const uint64_t pawns = v.byPiece[make_piece(side, kPawn)] & ~safety.shields;
        if ((pawn_step_ahead(side, pawns) & ~v.occupied) != 0) {
            assert(legality_detail::any_move_by_scan(side));
            return true;
        }
        for (uint64_t knights = v.byPiece[make_piece(side, kKnight)] & ~safety.shields;
             knights != 0;) {
            if ((knight_squares(pop_lsb(knights)) & ~v.bySide[side]) != 0) {
                assert(legality_detail::any_move_by_scan(side));
                return true;
            }
        }
        any = legality_detail::view_types_have_move<kPawn, kKnight, kBishop, kRook, kQueen, kKing>(
            v, side, [&](auto type, Square from, Square to, int piece) {
                return view_move_legal<type()>(v, k, rules_decide(k, safety.shields, from, piece),
                                               from, to, piece);
            });
    } else {
        const ViewKingSafety detailed = with_check_detail(v, side, safety);
        any = legality_detail::view_types_have_move<kKing, kPawn, kKnight, kBishop, kRook, kQueen>(
            v, side, [&](auto type, Square from, Square to, int piece) {
                return view_candidate_legal<type()>(v, detailed, from, to, piece);
            });
    }
    assert(any == legality_detail::any_move_by_scan(side));
    return any;
}
