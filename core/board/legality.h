// How legality is decided: whether a move is legal and whether a side has a
// legal move, on the engine's board and on its integer view
// (core/board/board_view.h), beneath the legal-move interface of
// core/board/legal_moves.h.  The file reads from the top down:
//
//   how safe is the side's king?          king_safety, view_king_safety
//       where it stands, whether the enemy attacks it and (on the view)
//       which of its pieces shield it from an enemy slider: worked out once
//       per position and shared by every candidate move of the side
//   is this move legal?
//       move_legal_known_king       one move, the mover's king known
//       SideMoveLegality::legal     many candidates of one side on the board
//       view_candidate_legal<Type>  many candidates of one side on the view
//           (view_move_legal<Type> for a side out of check)
//   has the side a legal move?
//       any_legal_move, view_any_legal_move
//
// Each agrees with the engine's own tests, IsMoveValid and HasLegalMove
// (Debug builds assert it for the view's answers).  The
// helpers they share say what they decide: piece_shields_king (may moving
// this piece expose its king?), rules_decide (do the piece rules alone
// decide this piece's moves?) and king_stays_safe (is the king safe after
// a move the piece rules allow?).  Below them this file calls out only to
// three leaves: the piece rules (may the piece make the step, the king
// aside: core/board/move_rules.h), the attack tests (IsSquareAttacked,
// square_attackers: core/board/attacks.cpp) and the test that plays a move
// in place and looks at the king (legal_by_playing:
// core/board/move_validation.cpp), with what a move changes described in
// core/board/move_effects.h.  A king position is encoded as FindKing gives
// it (core/board/geometry.h).  What only this file uses (the king found
// from a known square, the walk along a line behind a shield, the king
// found after a king's move, the per-type loops of "has the side a move?")
// sits in namespace legality_detail.  The rest serves the one interface the
// integer code asks, LegalMoves (core/board/legal_moves.h); outside it only
// the tests call these answers by name.
#pragma once

#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/move_rules.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <type_traits>

// ------------------------------------------------------------------ leaves
// The full test: plays the move of the piece on (fx, fy) on the board, asks
// whether the enemy attacks the king on (kx, ky) (when kx is negative, the
// first king of the mover's colour in board order: rank 8 to rank 1, file
// a to h) and takes the move back.  False when the piece rules forbid the
// move.
bool legal_by_playing(int fx, int fy, int tx, int ty, int kx, int ky);

// An attack on a square: the attacker's square and, for an attack along a
// line, the step (dx, dy) from the attacked square toward the attacker and
// the attacker's distance in steps (a knight's attack has no line: 0, 0, 0).
struct AttackLine {
    int x, y;
    int dx, dy, distance;
};

// Every attack by pieces of colour attackerColor on the square (x, y), on
// the board: each ray's first piece that attacks (as IsSquareAttacked
// counts it) and every attacking knight, at most 16, written to lines.
// Returns how many.
int square_attackers(int x, int y, int attackerColor, AttackLine *lines);

// ------------------------------------------------------------ king safety
// What a position says about the safety of one side's king, shared by every
// candidate move of that side while the position stands: the square of the
// king FindKing finds (the first in board order) and whether the enemy
// attacks it.
struct KingSafety {
    Square king = kNoSquare;
    bool attacked = false;
};

namespace legality_detail {

// The safety of the side's king on `king` (kNoSquare for none).
inline KingSafety king_safety_at(int side, Square king) {
    KingSafety k;
    if (king != kNoSquare) {
        k.king = king;
        k.attacked = IsSquareAttacked(square_x(king), square_y(king), opponent_of(side)) != 0;
    }
    return k;
}

}  // namespace legality_detail

inline KingSafety king_safety(int side) {
    return legality_detail::king_safety_at(side, king_square(static_cast<int>(FindKing(side))));
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

// The safety of the side's king on the view, the king on `king`.
inline ViewKingSafety view_king_safety_on(const BoardView &v, int side, Square king) {
    ViewKingSafety s;
    s.king.king = king;
    s.king.attacked = v.attacked_by(opponent_of(side), square_x(king), square_y(king));
    if (!s.king.attacked) s.shields = v.shields_of(side, king);
    assert(s.king.attacked == king_safety_at(side, king).attacked);
    return s;
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
// the answers to a check.
inline ViewKingSafety view_king_safety_at(const BoardView &v, int side, Square king) {
    if (king == kNoSquare) return ViewKingSafety();
    return with_check_detail(v, side, legality_detail::view_king_safety_on(v, side, king));
}

// The safety of the side's king on the view, the king found there: the first
// in board order, as FindKing finds it.
inline ViewKingSafety view_king_safety(const BoardView &v, int side) {
    const uint64_t kings = v.byPiece[make_piece(side, kKing)];
    if (kings == 0) return ViewKingSafety();
    const ViewKingSafety s = legality_detail::view_king_safety_on(v, side, lowest_square(kings));
    assert(s.king.king == king_safety(side).king);
    return s;
}

// ---------------------------------------------------------------- shields
namespace legality_detail {

// The piece on (fx, fy) shields the king on (kx, ky) from an enemy slider
// when it stands on one of the king's lines with nothing between them, and
// the first piece behind it on that line is an enemy queen, or an enemy
// rook on a rank or file, or an enemy bishop on a diagonal.
QUIN_NOINLINE bool piece_on_line_shields_king(int fx, int fy, int kx, int ky) {
    const int dx = fx - kx, dy = fy - ky;
    if (dx != 0 && dy != 0 && dx != dy && dx != -dy) return false;
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    int x = kx + sx, y = ky + sy;
    while (x != fx || y != fy) {
        if (board[x][y] != 0) return false;
        x += sx;
        y += sy;
    }
    const bool black = colour_of(board[fx][fy]) == kBlack;
    for (x += sx, y += sy; x >= 0 && x <= 7 && y >= 0 && y <= 7; x += sx, y += sy) {
        const double p = board[x][y];
        if (p == 0) continue;
        if ((colour_of(p) == kBlack) == black) return false;
        const int t = type_of(p);
        return t == kQueen || (t == kRook && (sx == 0 || sy == 0)) ||
               (t == kBishop && sx != 0 && sy != 0);
    }
    return false;
}

}  // namespace legality_detail

// Whether the piece on `from` shields its king on `king` from an enemy
// slider.  A move of any piece but a king leaves the kings where they stand;
// when the king is not attacked before the move, only a piece that shields
// it can expose it by moving.  Most pieces share no rank, file or diagonal
// with their king; they are told apart here, before the walk along the line.
inline bool piece_shields_king(Square from, Square king) {
    if (king == kNoSquare) return false;
    const int fx = square_x(from), fy = square_y(from);
    const int kx = square_x(king), ky = square_y(king);
    const int dx = fx - kx, dy = fy - ky;
    if (dx != 0 && dy != 0 && dx != dy && dx != -dy) return false;
    return legality_detail::piece_on_line_shields_king(fx, fy, kx, ky);
}

// ------------------------------------------------------------ one move
namespace legality_detail {

// The square (in board order) of the first king of the mover's colour
// after the king on (fx, fy) moves to (tx, ty), given first, the first
// such king before the move (which may be the mover).  Castling also moves
// a rook, never a king, so only the kings can change the answer.
inline int first_king_after_king_move(int fx, int fy, int tx, int ty, int first) {
    const int from = square_of(fx, fy), to = square_of(tx, ty);
    if (from != first) return to < first ? to : first;  // the first king stays unless passed
    if (to < from) return to;
    // The mover was the first king: another one between its squares comes first.
    const double king = board[fx][fy];
    for (int i = from + 1; i < to; ++i)
        if (board[square_x(i)][square_y(i)] == king) return i;
    return to;
}

}  // namespace legality_detail

// Whether a move is legal (IsMoveValid's verdict) given where the mover's
// king stands, `king` (the square of FindKing of the mover's side), and
// whether it is attacked.  A piece that is not the king and shields nothing,
// with the king safe, is decided by the piece rules alone (en passant, which
// also empties a second square, aside); every other move is played in place
// on the board.
QUIN_NOINLINE bool move_legal_known_king(Square from, Square to, Square king, bool kingAttacked) {
    const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
    const double piece = board[fx][fy];
    if (king == kNoSquare) return legal_by_playing(fx, fy, tx, ty, -1, -1);
    const int kx = square_x(king), ky = square_y(king);
    if (type_of(piece) == kKing) {
        // The king found after the move follows from the first king before
        // it, unless another piece stands on the square reported.
        if (board[kx][ky] != make_piece(colour_of(piece), kKing))
            return legal_by_playing(fx, fy, tx, ty, -1, -1);
        const int after =
            legality_detail::first_king_after_king_move(fx, fy, tx, ty, square_of(kx, ky));
        return legal_by_playing(fx, fy, tx, ty, square_x(after), square_y(after));
    }
    if (!kingAttacked) {
        const bool enPassant = type_of(piece) == kPawn && board[tx][ty] == 0 && tx != fx;
        if (!enPassant && !legality_detail::piece_on_line_shields_king(fx, fy, kx, ky))
            return piece_rules_allow(fx, fy, tx, ty);
    }
    return legal_by_playing(fx, fy, tx, ty, kx, ky);
}

// Whether the piece rules alone decide the moves of the piece on (fx, fy)
// (en passant aside): with its king safe, a piece that neither is the king
// nor shields it from a slider (shields: ViewKingSafety::shields) cannot
// leave the king attacked.
inline bool rules_decide(const KingSafety &k, uint64_t shields, Square from, int piece) {
    if (k.king == kNoSquare || k.attacked || type_of(piece) == kKing) return false;
    const bool shield = (shields >> from) & 1;
    assert(shield == piece_shields_king(from, k.king));
    return !shield;
}

// Whether the king stays safe after a move of `piece` from `from` to `to`
// that the piece rules allow, given the position's king safety and
// rules_decide for the piece.  En passant always gets the full test.
template <class Board = EngineBoard>
inline bool king_stays_safe(const KingSafety &k, bool decide, Square from, Square to, int piece,
                            const Board &b = Board()) {
    const bool enPassant = type_of(piece) == kPawn && square_x(to) != square_x(from) &&
                           b.at(square_x(to), square_y(to)) == 0;
    return (decide && !enPassant) || move_legal_known_king(from, to, k.king, k.attacked);
}

// Whether a candidate of `piece`, of type Type, is legal (IsMoveValid's
// verdict), read from the view, given the position's king safety and
// rules_decide for the piece.  A king's step (not castling) is decided on the
// view: it is legal when the piece rules allow it and no enemy piece attacks
// the target once the king stands there, which is the test IsMoveValid makes
// by playing it.
template <int Type>
QUIN_ALWAYS_INLINE bool view_move_legal(const BoardView &v, const KingSafety &k, bool decide,
                                        Square from, Square to, int piece) {
    const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
    if (Type != kKing || tx - fx == 2 || fx - tx == 2)
        return piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
               king_stays_safe(k, decide, from, to, piece, v);
    const bool legal = piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
                       !v.attacked_after_step(opponent_of(colour_of(piece)), from, to);
    assert(legal == (piece_rules_allow_as<Type>(v, fx, fy, tx, ty, piece) &&
                     king_stays_safe(k, decide, from, to, piece, v)));
    return legal;
}

// ------------------------------------------------- candidates of one side
// IsMoveValid for the candidate moves of one side in a position that stays
// as it is while they are tried (a move played in between is taken back):
// the king's safety is worked out once, when a candidate first passes the
// piece rules, and what it means for a moving piece once per piece.
class SideMoveLegality {
public:
    explicit SideMoveLegality(int side = kNoSide) : side_(side) {}
    SideMoveLegality(int side, const KingSafety &k) : side_(side), k_(k), haveKing_(true) {}

    // Starts over for `side` in a new position whose king safety is k.
    void reset(int side, const KingSafety &k) {
        side_ = side;
        k_ = k;
        haveKing_ = true;
        decidedSquare_ = -1;
        attackCount_ = -1;
    }

    // Whether the move of the side's piece on (fx, fy) to (tx, ty) is legal:
    // IsMoveValid's verdict.
    bool legal(int fx, int fy, int tx, int ty) {
        return piece_rules_allow(fx, fy, tx, ty) && king_stays_safe(square_of(fx, fy), square_of(tx, ty));
    }

    // Whether the side's king is safe after a move that the piece rules
    // allow; `shields`, when given, the pieces that shield the king in the
    // position (ViewKingSafety::shields), saves the walk along the piece's
    // line.
    bool king_stays_safe(Square from, Square to, const uint64_t *shields = nullptr) {
        if (!haveKing_) {
            k_ = king_safety(side_);
            haveKing_ = true;
        }
        const int fx = square_x(from), fy = square_y(from), tx = square_x(to), ty = square_y(to);
        const int piece = static_cast<int>(board[fx][fy]);
        const int square = from;
        if (square != decidedSquare_) {
            // A piece that neither is the king nor shields it: with the
            // king safe the piece rules decide, in check the move must
            // answer every attack.
            decidedSquare_ = square;
            const bool free = k_.king != kNoSquare && type_of(piece) != kKing &&
                              !(shields != nullptr ? (*shields >> square) & 1
                                                   : piece_shields_king(from, k_.king));
            assert(shields == nullptr ||
                   ((*shields >> square) & 1) == piece_shields_king(from, k_.king));
            decided_ = free && !k_.attacked;
            evades_ = free && k_.attacked;
        }
        if (evades_ && !(type_of(piece) == kPawn && tx != fx && board[tx][ty] == 0))
            return answers_every_attack(tx, ty);
        return ::king_stays_safe(k_, decided_, from, to, piece);
    }

private:
    // With the king attacked, a move by a piece that neither is the king nor
    // shields it (and no en passant) changes the board on two squares only:
    // the emptied square opens no line to the king, so the king is safe
    // after it exactly when every attack is answered, the attacker taken or
    // its line to the king blocked on the target square.
    bool answers_every_attack(int tx, int ty) {
        if (attackCount_ < 0)
            attackCount_ = square_attackers(square_x(k_.king), square_y(k_.king),
                                            opponent_of(side_), attacks_);
        const int kx = square_x(k_.king), ky = square_y(k_.king);
        for (int i = 0; i < attackCount_; ++i) {
            const AttackLine &a = attacks_[i];
            if (tx == a.x && ty == a.y) continue;  // taken
            bool blocked = false;
            for (int j = 1; j < a.distance && !blocked; ++j)
                blocked = tx == kx + j * a.dx && ty == ky + j * a.dy;
            if (!blocked) return false;
        }
        return true;
    }

    int side_;
    KingSafety k_;
    bool haveKing_ = false;
    int decidedSquare_ = -1;
    bool decided_ = false;
    bool evades_ = false;
    int attackCount_ = -1;
    AttackLine attacks_[16];
};

// Whether, with the king attacked, the move of the piece on (fx, fy) to
// (tx, ty) is legal exactly when it lands on one of s.evasions: a piece
// other than the king that shields nothing, and no en passant (which
// empties a second square).  Such a move changes two squares, and the
// emptied one opens no line to the king.
template <int Type>
inline bool evades_by_square(const BoardView &v, const ViewKingSafety &s, Square from, Square to) {
    if (Type == kKing || ((s.shields >> from) & 1)) return false;
    return !(Type == kPawn && square_x(to) != square_x(from) && v.cell[to] == 0);
}

// Whether a candidate of `piece`, of type Type, is legal (IsMoveValid's
// verdict), read from the view, for a side whose king safety is s and, for a
// king in check, whose SideMoveLegality is inCheck: out of check
// view_move_legal decides; in check a king's step is still decided on the
// view and every other move by whether it answers every attack.
template <int Type>
QUIN_ALWAYS_INLINE bool view_candidate_legal(const BoardView &v, const ViewKingSafety &s,
                                             SideMoveLegality &inCheck, Square from, Square to,
                                             int piece) {
    const KingSafety &k = s.king;
    if (!k.attacked)
        return view_move_legal<Type>(v, k, rules_decide(k, s.shields, from, piece), from, to,
                                     piece);
    if (Type == kKing) return view_move_legal<kKing>(v, k, false, from, to, piece);
    if (!piece_rules_allow_as<Type>(v, square_x(from), square_y(from), square_x(to), square_y(to),
                                    piece))
        return false;
    if (!s.checkDetail) return inCheck.king_stays_safe(from, to);
    if (!evades_by_square<Type>(v, s, from, to)) return inCheck.king_stays_safe(from, to, &s.shields);
    const bool answers = (s.evasions >> to) & 1;
    assert(answers == inCheck.king_stays_safe(from, to));
    return answers;
}

// ------------------------------------------------- has the side a move?
// HasLegalMove for `side`; `known`, when not null, is the side's king safety
// in the current position (worked out on demand otherwise).  Tries the
// candidate window of each piece and stops at the first legal move; own
// pieces (and the piece's own square) are never a move.  Whether a legal
// move exists does not hang on the order the pieces are tried in, and the
// tests only read the board (a move tried in place is taken back).  The
// rows are tried from the side's pawn row forward and its back rank last:
// the pieces standing behind their pawns are the ones most often without a
// move.
inline bool any_legal_move(int side, const KingSafety *known) {
    SideMoveLegality legality =
        known != nullptr ? SideMoveLegality(side, *known) : SideMoveLegality(side);
    const bool white = side == kWhite;
    for (int i = 0; i < 8; ++i) {
        const int fy = white ? (6 - i + 8) % 8 : (1 + i) % 8;
        for (int fx = 0; fx < 8; ++fx) {
            const int piece = static_cast<int>(board[fx][fy]);
            if (colour_of(piece) != side) continue;
            const bool none =
                visit_window_by_type(piece, fx, fy, [&legality, side, fx, fy](int tx, int ty) {
                    if (colour_of(board[tx][ty]) == side) return true;
                    return !legality.legal(fx, fy, tx, ty);
                });
            if (!none) return true;
        }
    }
    return false;
}

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
        for (uint64_t targets = window_squares(Type, side == kWhite, square_x(from),
                                               square_y(from)) &
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

// Whether the side has a legal move, read from the view (any_legal_move's
// answer).  In check the king's steps are tried first, and the other pieces'
// moves are decided by whether they answer every attack (SideMoveLegality).
inline bool view_any_legal_move(const BoardView &v, int side, const ViewKingSafety &safety) {
    const KingSafety &k = safety.king;
    bool any;
    if (!k.attacked) {
        // Out of check, a pawn or knight that shields nothing moves by its
        // rules alone: a free square ahead of such a pawn, or a knight's
        // jump to a square without an own piece, is a legal move.
        const uint64_t pawns = v.byPiece[make_piece(side, kPawn)] & ~safety.shields;
        if ((pawn_step_ahead(side, pawns) & ~v.occupied) != 0) {
            assert(any_legal_move(side, &k));
            return true;
        }
        for (uint64_t knights = v.byPiece[make_piece(side, kKnight)] & ~safety.shields;
             knights != 0;) {
            if ((knight_squares(pop_lsb(knights)) & ~v.bySide[side]) != 0) {
                assert(any_legal_move(side, &k));
                return true;
            }
        }
        any = legality_detail::view_types_have_move<kPawn, kKnight, kBishop, kRook, kQueen, kKing>(
            v, side, [&](auto type, Square from, Square to, int piece) {
                return view_move_legal<type()>(v, k, rules_decide(k, safety.shields, from, piece),
                                               from, to, piece);
            });
    } else {
        SideMoveLegality inCheck(side, k);
        const ViewKingSafety detailed = with_check_detail(v, side, safety);
        any = legality_detail::view_types_have_move<kKing, kPawn, kKnight, kBishop, kRook, kQueen>(
            v, side, [&](auto type, Square from, Square to, int piece) {
                return view_candidate_legal<type()>(v, detailed, inCheck, from, to, piece);
            });
    }
    assert(any == any_legal_move(side, &k));
    return any;
}
