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
// move of `player` from (fx, fy) to (tx, ty) leaves the enemy king on
// enemyKingPos (as FindKing gives it, -1 for none) attacked.  The board is
// changed for the test and put back.  The Debug checks' counterpart of the
// view's test.
bool move_checks_in_place(int player, int fx, int fy, int tx, int ty, int enemyKingPos);

namespace check_screen_detail {

// Whether the castling or en-passant move of `player` from (fx, fy) to (tx,
// ty) checks the enemy king on enemyKingPos: the rook's jump or the taken
// pawn changes a third square, so the view is read with every square the
// move writes.  Rare, and kept out of the callers' loops.
QUIN_NOINLINE bool checks_after_move(const BoardView &v, int player, int enemyKingPos, int fx,
                                     int fy, int tx, int ty) {
    const bool check =
        v.attacked_after_move(player, king_pos_x(enemyKingPos), king_pos_y(enemyKingPos),
                              move_effects(v, fx, fy, tx, ty));
    assert(check == move_checks_in_place(player, fx, fy, tx, ty, enemyKingPos));
    return check;
}

// Whether a legal move of `player`'s piece of `type` from (fx, fy) to (tx,
// ty) that takes nothing, the enemy king on (kx, ky) not attacked, may
// check other than by uncovering a slider: a move that changes a third
// square or the piece (castling, promotion), a king's step next to the
// other king (a position with two kings of a side allows it), a code that
// names no piece, or a piece that attacks the king from the target by its
// geometry.  Any other move checks only by uncovering a slider.
inline bool may_check_directly(int type, int player, int fx, int tx, int ty, int kx, int ky) {
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

// Whether the legal move of `player` from (fx, fy) to (tx, ty) checks the
// enemy king, read from the view `v` of the position before the move:
// move_checks_in_place's answer, with the king on enemyKingPos (as FindKing
// gives it, -1 for none) standing on (kx, ky).  A move that is no castling
// and no en passant changes two squares: the enemy king stands attacked
// after it when a piece of the mover's other than the moved one attacks it
// with the moved piece's square emptied and its target filled, or when the
// moved piece (a pawn reaching the last row as a queen) attacks it from the
// target.  Castling and en passant, which change a third square, are read
// from the view with every square the move writes
// (BoardView::attacked_after_move).
QUIN_ALWAYS_INLINE bool view_move_gives_check(const BoardView &v, int player, int enemyKingPos,
                                              int kx, int ky, int fx, int fy, int tx, int ty) {
    const int piece = v.at(fx, fy);
    int type = type_of(piece);
    const bool castle = type == kKing && (tx - fx == 2 || fx - tx == 2);
    const bool enPassant = type == kPawn && tx != fx && v.at(tx, ty) == 0;
    if (enemyKingPos < 0) return false;
    if (castle || enPassant)
        return check_screen_detail::checks_after_move(v, player, enemyKingPos, fx, fy, tx, ty);
    if (type == kPawn && (ty == 0 || ty == 7)) type = kQueen;
    const int king = square_of(kx, ky), to = square_of(tx, ty);
    const uint64_t from = square_bit(square_of(fx, fy));
    const uint64_t occupancy = (v.occupied & ~from) | square_bit(to);
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
    check = check || v.attacked_on(player, kx, ky, occupancy, from);
    assert(check == move_checks_in_place(player, fx, fy, tx, ty, enemyKingPos));
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
        : v_(v), player_(player), king_(v.king_pos_of(opponent_of(player))) {
        assert(king_ == FindKing(opponent_of(player)));
        if (king_ >= 0) {
            kingX_ = king_pos_x(king_);
            kingY_ = king_pos_y(king_);
            attacked_ = v.attacked_by(player_, kingX_, kingY_);
            assert(attacked_ == (IsSquareAttacked(kingX_, kingY_, player_) != 0));
        }
    }

    bool gives_check(int fx, int fy, int tx, int ty) {
        if (king_ < 0) return false;
        if (!attacked_ && !may_check(fx, fy, tx, ty)) return false;
        return view_move_gives_check(v_, player_, king_, kingX_, kingY_, fx, fy, tx, ty);
    }

private:
    // Asked for each quiet move of a node: kept inside gives_check in every
    // file that uses the screen.
    QUIN_ALWAYS_INLINE bool may_check(int fx, int fy, int tx, int ty) {
        if (check_screen_detail::may_check_directly(type_of(v_.at(fx, fy)), player_, fx, tx, ty,
                                                    kingX_, kingY_))
            return true;
        if (!discoveriesKnown_) {
            discoveries_ = v_.lone_blockers(player_, square_of(kingX_, kingY_), player_);
            discoveriesKnown_ = true;
        }
        const bool candidate = (discoveries_ >> square_of(fx, fy)) & 1;
        assert(candidate == (quiet_discovery_candidate(fx, fy, kingX_, kingY_, player_) == 1));
        return candidate;
    }

    const BoardView &v_;
    int player_;
    int king_;
    int kingX_ = 0, kingY_ = 0;
    bool attacked_ = false;
    uint64_t discoveries_ = 0;
    bool discoveriesKnown_ = false;
};
