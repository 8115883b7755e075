// Whether a move gives check: the one test, read from an integer view of
// the position (view_move_gives_check), and the screen that asks it only
// for the moves that can check at all, worked out from the squares alone
// (ViewCheckScreen).  Internal to the search (core/tree, and the root
// ordering of core/search).
#pragma once

#include "core/board/board_view.h"
#include "core/board/geometry.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>

// Whether the piece of `type` arriving on (tx, ty) would attack the king
// square (kingX, kingY) by its own geometry, with no path test: a pawn from
// the square diagonally behind the king as the pawn moves, a knight a jump
// away, a rook on the king's rank or file, a bishop on its diagonal, a
// queen on either.  A king never checks by its own geometry (a legal king
// move does not reach the enemy king).
constexpr bool check_geometry(int type, int player, int tx, int ty, int kingX, int kingY) {
    const int adx = tx > kingX ? tx - kingX : kingX - tx;
    const int ady = ty > kingY ? ty - kingY : kingY - ty;
    switch (type) {
        case kPawn: return adx == 1 && kingY == (player == kWhite ? ty - 1 : ty + 1);
        case kKnight: return knight_jump(adx, ady);
        case kRook: return tx == kingX || ty == kingY;
        case kBishop: return adx == ady;
        case kQueen: return tx == kingX || ty == kingY || adx == ady;
        default: return false;
    }
}

// The squares from which a piece gives check by its geometry alone
// (check_geometry), for every side, king square and piece type.
struct CheckSquares {
    unsigned long long mask[2][64][kKing + 1];
    constexpr CheckSquares() : mask() {
        for (int side = 0; side < 2; ++side)
            for (int king = 0; king < 64; ++king)
                for (int type = 0; type <= kKing; ++type)
                    for (int square = 0; square < 64; ++square)
                        if (check_geometry(type, side == 0 ? kWhite : kBlack, square_x(square),
                                           square_y(square), square_x(king), square_y(king)))
                            mask[side][king][type] |= 1ULL << square;
    }
};
inline constexpr CheckSquares kCheckSquares{};

// Whether the piece of `type` arriving on (tx, ty) checks the king on (kingX,
// kingY) by its geometry alone (check_geometry's answer), from the table, for
// squares on the board.
inline bool direct_check_geometry(int type, int player, int tx, int ty, int kingX, int kingY) {
    if (type < 0 || type > kKing) return false;
    return (kCheckSquares.mask[player == kWhite ? 0 : 1][square_of(kingX, kingY)][type] >>
            square_of(tx, ty)) &
           1;
}

// Whether a legal move checks the enemy king, as SearchMoveGivesCheck
// answers it but without its write of the state slot: 1 when the legal
// move of `player` from `from` to `to` leaves the enemy king on `enemyKing`
// (the square of FindKing, kNoSquare for none) attacked.  The board is
// changed for the test and put back.  The Debug checks' counterpart of the
// view's test.
bool move_checks_in_place(int player, Square from, Square to, Square enemyKing);

namespace check_screen_detail {

// Whether the castling or en-passant move of `player` from `from` to `to`
// checks the enemy king on `enemyKing`: the rook's jump or the taken pawn
// changes a third square, so the view is read with every square the move
// writes.  Rare, and kept out of the callers' loops.
QUIN_NOINLINE bool checks_after_move(const BoardView &v, int player, Square enemyKing, Square from,
                                     Square to) {
    const bool check = v.attacked_after_move(player, square_x(enemyKing), square_y(enemyKing),
                                             move_effects(v, from, to));
    assert(check == move_checks_in_place(player, from, to, enemyKing));
    return check;
}

// Whether a legal move of `player`'s piece of `type` from `from` to `to`
// that takes nothing, the enemy king on (kx, ky) not attacked, may check other than by uncovering a
// slider: a move that changes a third square or the piece (castling, promotion), a king's step next
// to the other king (a position with two kings of a side allows it), a code that names no piece, or
// a piece that attacks the king from the target by its geometry.  Any other move checks only by
// uncovering a slider.
inline bool may_check_directly(int type, int player, Square from, Square to, int kx, int ky) {
    const int fx = square_x(from), tx = square_x(to), ty = square_y(to);
    if (type < kPawn || type > kKing) return true;
    if (type == kPawn && (ty == 0 || ty == 7)) return true;
    if (type == kKing) {
        if (tx - fx == 2 || fx - tx == 2) return true;
        const int adx = tx > kx ? tx - kx : kx - tx;
        const int ady = ty > ky ? ty - ky : ky - ty;
        if (adx <= 1 && ady <= 1) return true;
    }
    return direct_check_geometry(type, player, tx, ty, kx, ky);
}

}  // namespace check_screen_detail

// Whether the legal move of `player` from `from` to `to` checks the enemy
// king, read from the view `v` of the position before the move:
// move_checks_in_place's answer, with the king on `enemyKing` (the square of
// FindKing, kNoSquare for none).  A move that is no castling
// and no en passant changes two squares: the enemy king stands attacked
// after it when a piece of the mover's other than the moved one attacks it
// with the moved piece's square emptied and its target filled, or when the
// moved piece (a pawn reaching the last row as a queen) attacks it from the
// target.  Castling and en passant, which change a third square, are read
// from the view with every square the move writes
// (BoardView::attacked_after_move).
QUIN_ALWAYS_INLINE bool view_move_gives_check(const BoardView &v, int player, Square king,
                                              Square from, Square to) {
    const int fx = square_x(from), tx = square_x(to), ty = square_y(to);
    const int kx = square_x(king), ky = square_y(king);
    const int piece = v.cell[from];
    int type = type_of(piece);
    const bool castle = type == kKing && (tx - fx == 2 || fx - tx == 2);
    const bool enPassant = type == kPawn && tx != fx && v.cell[to] == 0;
    if (king == kNoSquare) return false;
    if (castle || enPassant)
        return check_screen_detail::checks_after_move(v, player, king, from, to);
    if (type == kPawn && (ty == 0 || ty == 7)) type = kQueen;
    const uint64_t left = square_bit(from);
    const uint64_t occupancy = (v.occupied & ~left) | square_bit(to);
    bool check;
    switch (type) {
        case kPawn:
            check = ky == ty + (player == kWhite ? -1 : 1) && (kx - tx == 1 || tx - kx == 1);
            break;
        case kKnight: check = (knight_squares(to) >> king) & 1; break;
        case kKing: check = (king_squares(to) >> king) & 1; break;
        default:
            check = slides_along(type, tx - kx, ty - ky) && (between(king, to) & occupancy) == 0;
            break;
    }
    check = check || v.attacked_on(player, kx, ky, occupancy, left);
    assert(check == move_checks_in_place(player, from, to, king));
    return check;
}

// The check test for the legal quiet moves (to an empty square, no en
// passant) of one side in a position that the view `v` shows, in step with
// the board and staying so while the moves are tried: exactly
// move_checks_in_place's answer, decided on the view
// (view_move_gives_check) only for a move that can check.  With the enemy
// king not attacked before the move, only two squares change: the emptied
// square can open a line to the king only when it lies on one, with
// nothing between it and the king and a slider of the mover behind it (the
// pieces that may uncover a check, BoardView::lone_blockers, found all at
// once the first time a move is asked about); the filled square can only
// block a line or give the mover's own check.  Castling and promotion,
// which change a third square or the piece, always get the full test, as
// does any position in which the enemy king already stands attacked.
class ViewCheckScreen {
public:
    ViewCheckScreen(const BoardView &v, int player)
        : v_(v), player_(player), king_(v.king_square_of(opponent_of(player))) {
        assert(king_ == king_square(static_cast<int>(FindKing(opponent_of(player)))));
        if (king_ != kNoSquare) {
            kingX_ = square_x(king_);
            kingY_ = square_y(king_);
            attacked_ = v.attacked_by(player_, kingX_, kingY_);
            assert(attacked_ == (IsSquareAttacked(kingX_, kingY_, player_) != 0));
        }
    }

    bool gives_check(Square from, Square to) {
        if (king_ == kNoSquare) return false;
        if (!attacked_ && !may_check(from, to)) return false;
        return view_move_gives_check(v_, player_, king_, from, to);
    }

private:
    // Asked for each quiet move of a node: kept inside gives_check in every
    // file that uses the screen.
    QUIN_ALWAYS_INLINE bool may_check(Square from, Square to) {
        if (check_screen_detail::may_check_directly(type_of(v_.cell[from]), player_, from, to,
                                                    kingX_, kingY_))
            return true;
        if (!discoveriesKnown_) {
            discoveries_ = v_.lone_blockers(player_, king_, player_);
            discoveriesKnown_ = true;
        }
        const bool candidate = (discoveries_ >> from) & 1;
        assert(candidate == (quiet_discovery_candidate(square_x(from), square_y(from), kingX_,
                                                       kingY_, player_) == 1));
        return candidate;
    }

    const BoardView &v_;
    int player_;
    Square king_;
    int kingX_ = 0, kingY_ = 0;
    bool attacked_ = false;
    uint64_t discoveries_ = 0;
    bool discoveriesKnown_ = false;
};
