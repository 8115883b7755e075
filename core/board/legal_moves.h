// The legal moves of one side on the board view: the one move generator of
// perft, the tree search's lists, the root list and the game-state queries,
// and the one legality interface of the integer code (LegalMoves, at the
// end of this file).  A piece's moves come in the order of its candidate
// window (core/board/candidate_windows.h: rows ascending, within a row files
// ascending, which is ascending square order).  Each candidate is decided by
// the engine's move rules and legality test (core/board/legality.h); the
// facts that hold for the whole position (the king's square, whether it is
// attacked, which pieces shield it) are worked out once per position.
//
// The piece rules are applied to the whole window at once where sets can
// state them: own pieces and the enemy king are never a target, a slider
// stops at the first piece on its line, a pawn steps ahead onto empty
// squares (two only over an empty square) and diagonally onto enemy pieces.
// For a piece whose moves cannot expose its king (rules_decide), that
// leaves exactly its legal moves.  What the sets cannot state goes through
// the test per candidate: every king move (where counted, a king's step by
// the attack test alone), en passant, and every move of a piece that
// shields its king or whose king is in check.  Debug builds check each move
// the sets decide against the test per candidate.
#pragma once

#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/board/legality.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>

// The candidates of a piece after the piece rules' set tests: `sure` are
// legal moves, `tested` still need the test per candidate.
struct PieceTargets {
    uint64_t sure;
    uint64_t tested;
    bool decide;  // rules_decide for the piece
};

// The squares a piece of type Type and of `side` on `from` may reach by its
// window and, for a slider, its lines up to the first piece.  A slider's
// window holds every line from its square, so its reach is read from the
// lines alone.
template <int Type>
QUIN_ALWAYS_INLINE uint64_t window_reach(const BoardView &v, int side, Square from) {
    if (Type == kRook || Type == kBishop || Type == kQueen) {
        const uint64_t reach = v.line_reach(Type, from);
        assert((reach & ~window_squares(Type, side == kWhite, from)) == 0);
        return reach;
    }
    return window_squares(Type, side == kWhite, from);
}

// The PieceTargets of `piece`, of type Type, standing on `from`.  Debug
// builds check every sure move against the test per candidate.
template <int Type>
QUIN_ALWAYS_INLINE PieceTargets piece_targets(const BoardView &v, const KingSafety &k,
                                              uint64_t shields, int side, Square from, int piece) {
    const bool decide = Type != kKing && rules_decide(k, shields, from, piece);
    // Own pieces (and the piece's own square) and the enemy king are never
    // a move: the piece rules' first test throws out a target holding
    // either.
    uint64_t targets = window_reach<Type>(v, side, from) & ~v.bySide[side] &
                       ~v.byPiece[make_piece(opponent_of(side), kKing)];
    uint64_t sure = 0;
    if (Type == kPawn) {
        // A step straight ahead lands on an empty square, and a step of two
        // passes over one; a diagonal step lands on an enemy piece or on
        // the en-passant square, which the test per candidate decides.
        const uint64_t pawn = square_bit(from);
        const uint64_t diagonal = pawn_attacks(side, pawn);
        const uint64_t steps = pawn_pushes(side, pawn, v.occupied);
        const uint64_t captures = diagonal & v.bySide[opponent_of(side)] & targets;
        const uint64_t enPassant =
            v.enPassant >= 0 ? diagonal & ~v.occupied & square_bit(v.enPassant) : 0;
        assert(((steps | captures | enPassant) & ~targets) == 0);
        targets = steps | captures | enPassant;
        if (decide) sure = steps | captures;
    } else if (Type == kKing) {
        // The castling rule's first tests: the king does not stand in check
        // and the square it passes over is empty; a two-file step is no
        // king's step.
        const int fx = square_x(from), fy = square_y(from);
        const bool inCheck = k.attacked && k.king == from;
        if (fx >= 2 && (inCheck || v.at(fx - 1, fy) != 0))
            targets &= ~square_bit(square_of(fx - 2, fy));
        if (fx <= 5 && (inCheck || v.at(fx + 1, fy) != 0))
            targets &= ~square_bit(square_of(fx + 2, fy));
    }
    if (Type != kPawn && Type != kKing && decide) sure = targets;
#ifndef NDEBUG
    for (uint64_t rest = sure; rest != 0;)
        assert(view_move_legal<Type>(v, k, decide, from, pop_lsb(rest), piece));
#endif
    return {sure, targets & ~sure, decide};
}

// Calls visit(move) for every legal move of `piece`, of type Type, standing
// on `from`, in window order; a pawn reaching the last rank becomes a queen
// (move.promotion).  The type's window and piece rule fold into one loop.
template <int Type, typename Visit>
inline void visit_legal_moves_as(const BoardView &v, const KingSafety &k, uint64_t shields,
                                 int side, Square from, int piece, Visit &visit) {
    const PieceTargets t = piece_targets<Type>(v, k, shields, side, from, piece);
    for (uint64_t targets = t.sure | t.tested; targets != 0;) {
        const Square to = pop_lsb(targets);
        const bool sure = (t.sure >> to) & 1;
        if (sure || view_move_legal<Type>(v, k, t.decide, from, to, piece))
            visit(Move{from, to, Type == kPawn && ((kBackRanks >> to) & 1) != 0 ? kQueen : kEmpty});
    }
}

// The number of legal moves of `piece`, of type Type, standing on `from`, a
// promotion counted once per piece it may become; Bits counts squares
// (PortableBitCount or HardwareBitCount).
template <int Type, class Bits = PortableBitCount>
QUIN_ALWAYS_INLINE int count_legal_moves_as(const BoardView &v, const KingSafety &k,
                                            uint64_t shields, int side, Square from, int piece) {
    const PieceTargets t = piece_targets<Type>(v, k, shields, side, from, piece);
    int n = Bits::of(t.sure);
    if (Type == kPawn) n += 3 * count_sparse(t.sure & kBackRanks);
    uint64_t rest = t.tested;
    if (Type == kKing) {
        // The piece rules allow every king's step left among the targets:
        // only the attack on the square it steps to decides.
        for (uint64_t steps = rest & king_squares(from); steps != 0;) {
            const Square to = pop_lsb(steps);
            const bool legal = !v.attacked_after_step(opponent_of(side), from, to);
            assert(legal == view_move_legal<Type>(v, k, t.decide, from, to, piece));
            n += legal;
        }
        rest &= ~king_squares(from);
    }
    for (uint64_t tested = rest; tested != 0;) {
        const Square to = pop_lsb(tested);
        if (view_move_legal<Type>(v, k, t.decide, from, to, piece))
            n += Type == kPawn && ((kBackRanks >> to) & 1) != 0 ? 4 : 1;
    }
    return n;
}

// The legal moves of a piece of any type, handed to visit as
// visit_legal_moves_as hands them: one copy of the loop per type.
template <typename Visit>
inline void visit_legal_moves(const BoardView &v, const KingSafety &k, uint64_t shields, int side,
                              Square from, int piece, Visit &visit) {
    switch (type_of(piece)) {
        case kPawn: visit_legal_moves_as<kPawn>(v, k, shields, side, from, piece, visit); break;
        case kRook: visit_legal_moves_as<kRook>(v, k, shields, side, from, piece, visit); break;
        case kKnight: visit_legal_moves_as<kKnight>(v, k, shields, side, from, piece, visit); break;
        case kBishop: visit_legal_moves_as<kBishop>(v, k, shields, side, from, piece, visit); break;
        case kQueen: visit_legal_moves_as<kQueen>(v, k, shields, side, from, piece, visit); break;
        case kKing: visit_legal_moves_as<kKing>(v, k, shields, side, from, piece, visit); break;
        default: break;
    }
}

// The number of legal moves of the pawns of `side`, a promotion counted
// once per piece it may become: the pawns whose moves the rules decide
// (rules_decide) all at once, each of the others by itself.
template <class Bits = PortableBitCount>
QUIN_ALWAYS_INLINE int count_legal_pawn_moves(const BoardView &v, const KingSafety &k,
                                              uint64_t shields, int side) {
    const int piece = make_piece(side, kPawn);
    const uint64_t pawns = v.byPiece[piece];
    const uint64_t decided = k.king == kNoSquare || k.attacked ? 0 : pawns & ~shields;
    int n = 0;
    for (uint64_t rest = pawns & ~decided; rest != 0;)
        n += count_legal_moves_as<kPawn, Bits>(v, k, shields, side, pop_lsb(rest), piece);
    const int enemy = opponent_of(side);
    const uint64_t prey = v.bySide[enemy] & ~v.byPiece[make_piece(enemy, kKing)];
    const uint64_t pushes = pawn_pushes(side, decided, v.occupied);
    const uint64_t left = pawn_attacks_left(side, decided) & prey;
    const uint64_t right = pawn_attacks_right(side, decided) & prey;
    n += Bits::of(pushes) + Bits::of(left) + Bits::of(right) +
         3 * (count_sparse(pushes & kBackRanks) + count_sparse(left & kBackRanks) +
              count_sparse(right & kBackRanks));
    if (v.enPassant >= 0 && ((v.occupied >> v.enPassant) & 1) == 0) {
        const Square to = static_cast<Square>(v.enPassant);
        for (uint64_t from = pawn_attacks(enemy, square_bit(to)) & decided; from != 0;)
            if (view_move_legal<kPawn>(v, k, true, pop_lsb(from), to, piece))
                n += ((kBackRanks >> to) & 1) != 0 ? 4 : 1;
    }
#ifndef NDEBUG
    int each = 0;
    for (uint64_t all = pawns; all != 0;)
        each += count_legal_moves_as<kPawn>(v, k, shields, side, pop_lsb(all), piece);
    assert(n == each);
#endif
    return n;
}

// ------------------------------------------------------ the one interface
// The legal moves of one side in one position, read from its view: the one
// interface through which the integer code asks about legality.  Built once
// per position (the king's square, whether it is attacked, which pieces
// shield it, and in check the squares that answer it), it answers
//
//   legal(from, to)         is this move of the side's piece legal here?
//   moves(...)              which moves are legal: of the piece on `from`
//                           in window order, to a visitor, as a set of
//                           targets or among some squares (moves_in_reach
//                           among squares its lines reach); or all the
//                           side's, type by type, to a visitor
//   count<Bits>()           how many legal moves the side has, a promotion
//                           counted once per piece it may become
//   any()                   has the side a legal move?
//
// Each answer is IsMoveValid's (HasLegalMove's for any()); Debug builds
// check it.  The view must stay as it is while the answers are asked for (a
// move played in between is taken back).
class LegalMoves {
public:
    LegalMoves() = default;
    QUIN_ALWAYS_INLINE LegalMoves(const BoardView &v, int side) {
        reset(v, side, view_king_safety(v, side));
    }
    QUIN_ALWAYS_INLINE LegalMoves(const BoardView &v, int side, const ViewKingSafety &safety) {
        reset(v, side, safety);
    }

    // Starts over for `side` on the view `v`, whose king safety is `safety`.
    QUIN_ALWAYS_INLINE void reset(const BoardView &v, int side, const ViewKingSafety &safety) {
        v_ = &v;
        side_ = side;
        safety_ = with_check_detail(v, side, safety);
    }

    // Starts over for `side` on the view `v` with its king on `king`
    // (view_king_safety_at, worked out in place).
    QUIN_ALWAYS_INLINE void reset_at(const BoardView &v, int side, Square king) {
        v_ = &v;
        side_ = side;
        fill_view_king_safety(safety_, v, side, king);
    }

    const ViewKingSafety &safety() const { return safety_; }

    bool legal(Square from, Square to) const {
        assert(v_->in_step());
        const int piece = v_->cell[from];
        assert(colour_of(piece) == side_);
        const bool legal = with_piece_type(type_of(piece), [&](auto type) {
            if constexpr (type() == kEmpty)
                return false;
            else
                return view_candidate_legal<type()>(*v_, safety_, from, to, piece);
        });
        assert(legal ==
               (IsMoveValid(square_x(from), square_y(from), square_x(to), square_y(to)) == 1));
        return legal;
    }

    // visit(move) for each legal move of the piece on `from`, in window
    // order.
    template <class Visit>
    QUIN_ALWAYS_INLINE void moves(Square from, Visit &visit) const {
        visit_legal_moves(*v_, safety_.king, safety_.shields, side_, from, v_->cell[from], visit);
    }

    // A piece's legal moves as a set of target squares.
    uint64_t moves(Square from) const {
        uint64_t targets = 0;
        auto collect = [&targets](Move m) { targets |= square_bit(m.to); };
        moves(from, collect);
        return targets;
    }

    // The legal targets of the piece on `from` among the squares `among`:
    // the generator's sure moves there, and each other candidate there
    // decided by legal() (for a caller that wants only some of a piece's
    // moves, and tests no more of them than it wants).
    uint64_t moves(Square from, uint64_t among) const {
        if (among == 0) return 0;
        const int piece = v_->cell[from];
        return with_piece_type(type_of(piece), [&](auto type) -> uint64_t {
            if constexpr (type() == kEmpty) {
                return 0;
            } else {
                const PieceTargets t =
                    piece_targets<type()>(*v_, safety_.king, safety_.shields, side_, from, piece);
                uint64_t legal = t.sure & among;
                for (uint64_t rest = t.tested & among; rest != 0;) {
                    const Square to = pop_lsb(rest);
                    if (view_candidate_legal<type()>(*v_, safety_, from, to, piece))
                        legal |= square_bit(to);
                }
#ifndef NDEBUG
                for (uint64_t all = among; all != 0;) {
                    const Square to = pop_lsb(all);
                    assert(((legal >> to) & 1) == (IsMoveValid(square_x(from), square_y(from),
                                                               square_x(to), square_y(to)) == 1));
                }
#endif
                return legal;
            }
        });
    }

    // moves(from, among) for squares `among` of the piece's window that
    // hold no piece of its own and that its lines reach (BoardView::
    // line_reach): a rook, knight, bishop or queen whose moves the rules
    // decide then moves to every one of them but the enemy king's square.
    uint64_t moves_in_reach(Square from, uint64_t among) const {
        if (among == 0) return 0;
        const int piece = v_->cell[from];
        const int type = type_of(piece);
        if (type >= kRook && type <= kQueen &&
            rules_decide(safety_.king, safety_.shields, from, piece)) {
            const uint64_t legal = among & ~v_->byPiece[make_piece(opponent_of(side_), kKing)];
            assert(legal == moves(from, among));
            return legal;
        }
        return moves(from, among);
    }

    // Every legal move of the side, handed to visit as moves(from, visit)
    // hands them, piece type by piece type (for a caller to whom the order of the
    // pieces does not matter).
    template <class Visit>
    QUIN_ALWAYS_INLINE void moves(Visit &visit) const {
        moves_of_type<kPawn>(visit);
        moves_of_type<kRook>(visit);
        moves_of_type<kKnight>(visit);
        moves_of_type<kBishop>(visit);
        moves_of_type<kQueen>(visit);
        moves_of_type<kKing>(visit);
    }

    template <class Bits = PortableBitCount>
    QUIN_ALWAYS_INLINE int count() const {
        // Each side's count is compiled for that side, so that every piece
        // code and table row it reads is a constant.
        return side_ == kWhite ? count_for<kWhite, Bits>() : count_for<kBlack, Bits>();
    }

    bool any() const { return view_any_legal_move(*v_, side_, safety_); }

private:
    template <int Type, class Visit>
    QUIN_ALWAYS_INLINE void moves_of_type(Visit &visit) const {
        const int piece = make_piece(side_, Type);
        for (uint64_t pieces = v_->byPiece[piece]; pieces != 0;)
            visit_legal_moves_as<Type>(*v_, safety_.king, safety_.shields, side_, pop_lsb(pieces),
                                       piece, visit);
    }

    // count() for the side Side.
    template <int Side, class Bits>
    QUIN_ALWAYS_INLINE int count_for() const {
        const KingSafety &k = safety_.king;
        const uint64_t shields = safety_.shields;
        const uint64_t free = k.king != kNoSquare && !k.attacked ? ~shields : 0;
        const uint64_t open =
            ~v_->bySide[Side] & ~v_->byPiece[make_piece(opponent_of(Side), kKing)];
        return count_legal_pawn_moves<Bits>(*v_, k, shields, Side) +
               count_of_type<Side, kRook, Bits>(free, open) +
               count_of_type<Side, kKnight, Bits>(free, open) +
               count_of_type<Side, kBishop, Bits>(free, open) +
               count_of_type<Side, kQueen, Bits>(free, open) +
               count_of_type<Side, kKing, Bits>(free, open);
    }

    // The legal moves of the pieces of Side of type Type, of which those on
    // `free` shield nothing while the king is safe.  Such a rook, knight,
    // bishop or queen moves to every square its rules allow (rules_decide),
    // and is counted as a set without asking piece_targets for the other
    // candidates; `open` are the squares neither an own piece nor the enemy
    // king stands on.
    template <int Side, int Type, class Bits>
    QUIN_ALWAYS_INLINE int count_of_type(uint64_t free, uint64_t open) const {
        static_assert(Type != kPawn, "the pawns are counted together");
        const int piece = make_piece(Side, Type);
        const uint64_t pieces = v_->byPiece[piece];
        const uint64_t decided = Type == kKing ? 0 : pieces & free;
        int n = 0;
        for (uint64_t rest = decided; rest != 0;)
            n += Bits::of(window_reach<Type>(*v_, Side, pop_lsb(rest)) & open);
        for (uint64_t rest = pieces & ~decided; rest != 0;)
            n += count_legal_moves_as<Type, Bits>(*v_, safety_.king, safety_.shields, Side,
                                                  pop_lsb(rest), piece);
#ifndef NDEBUG
        int each = 0;
        for (uint64_t all = pieces; all != 0;)
            each += count_legal_moves_as<Type>(*v_, safety_.king, safety_.shields, Side,
                                               pop_lsb(all), piece);
        assert(n == each);
#endif
        return n;
    }

    const BoardView *v_ = nullptr;
    int side_ = kNoSide;
    ViewKingSafety safety_;
};
