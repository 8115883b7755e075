// The per-level state stack of the tree search and the move maker.
//
// Globals: SaveSearchState and RestoreSearchState copy `board`, the castling
// flags, `enPassantX`, `enPassantY` and `halfmoveClock` to and from the
// level's slot of the state stack (`searchBoard` and its companions
// `searchWhiteKingMoved` to `searchHalfmoveClock`); MakeSearchMove writes `board`, the castling
// flags, the en-passant square and `halfmoveClock`; move_checks_in_place
// changes `board` only until it returns.
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/tree/check_screen.h"
#include "core/tree/search_state.h"
#include "core/tree/state_copy_simd.h"
#include "core/types.h"

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The castling flags, the en-passant square and the clock from the slot.
inline void restore_side_state(int l) {
    whiteKingMoved = searchWhiteKingMoved[l];
    blackKingMoved = searchBlackKingMoved[l];
    whiteRookAMoved = searchWhiteRookAMoved[l];
    whiteRookHMoved = searchWhiteRookHMoved[l];
    blackRookAMoved = searchBlackRookAMoved[l];
    blackRookHMoved = searchBlackRookHMoved[l];
    enPassantX = searchEnPassantX[l];
    enPassantY = searchEnPassantY[l];
    halfmoveClock = searchHalfmoveClock[l];
}

}  // namespace

QUIN_SCALAR_COPY double SaveSearchState(double level) {
    const int l = static_cast<int>(level);
    state_copy_simd::save_board(searchBoard[l]);
    searchWhiteKingMoved[l] = whiteKingMoved;
    searchBlackKingMoved[l] = blackKingMoved;
    searchWhiteRookAMoved[l] = whiteRookAMoved;
    searchWhiteRookHMoved[l] = whiteRookHMoved;
    searchBlackRookAMoved[l] = blackRookAMoved;
    searchBlackRookHMoved[l] = blackRookHMoved;
    searchEnPassantX[l] = enPassantX;
    searchEnPassantY[l] = enPassantY;
    searchHalfmoveClock[l] = halfmoveClock;
    return 0;
}

QUIN_SCALAR_COPY double RestoreSearchState(double level) {
    const int l = static_cast<int>(level);
    state_copy_simd::restore_board(searchBoard[l]);
    restore_side_state(l);
    return 0;
}

void take_back_search_move(const MoveEffects &e, const MoveUndo &undo, int level) {
    undo_move(e, undo);
#ifndef NDEBUG
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) assert(board[x][y] == searchBoard[level][y * 8 + x]);
    assert(whiteKingMoved == searchWhiteKingMoved[level] &&
           blackKingMoved == searchBlackKingMoved[level] &&
           whiteRookAMoved == searchWhiteRookAMoved[level] &&
           whiteRookHMoved == searchWhiteRookHMoved[level] &&
           blackRookAMoved == searchBlackRookAMoved[level] &&
           blackRookHMoved == searchBlackRookHMoved[level] &&
           enPassantX == searchEnPassantX[level] && enPassantY == searchEnPassantY[level] &&
           halfmoveClock == searchHalfmoveClock[level]);
#else
    (void)level;
#endif
}

double MakeSearchMove(double fromX, double fromY, double toX, double toY) {
    MoveUndo undo;
    do_move(move_effects(EngineBoard(), square_of(static_cast<int>(fromX), static_cast<int>(fromY)),
                         square_of(static_cast<int>(toX), static_cast<int>(toY))),
            undo);
    return 0;
}

// A legal move never moves, takes or makes a king of the other side, so the
// king that SearchMoveGivesCheck finds after the move is the one known
// before it.  Only the squares matter to the attack test: they are changed
// as MakeSearchMove changes them and put back afterwards.
bool move_checks_in_place(int player, Square from, Square to, Square enemyKing) {
    if (enemyKing == kNoSquare) return false;
    const MoveEffects e = move_effects(EngineBoard(), from, to);
    MoveUndo undo;
    do_move<MoveScope::kSquares>(e, undo);
    const bool result = IsSquareAttacked(square_x(enemyKing), square_y(enemyKing), player) != 0;
    undo_move<MoveScope::kSquares>(e, undo);
    return result;
}

double SearchCapture(double fx, double fy, double tx, double ty) {
    const double mover = board[static_cast<int>(fx)][static_cast<int>(fy)];
    const double target = board[static_cast<int>(tx)][static_cast<int>(ty)];
    if (target == 0)
        return (type_of(mover) == kPawn && tx == enPassantX && ty == enPassantY &&
                std::abs(tx - fx) == 1)
                   ? 1
                   : 0;
    return PieceColor(mover) != PieceColor(target) ? 1 : 0;
}
