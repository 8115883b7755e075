// Ordering memory of the tree search: two killer moves per level, history
// scores per side and move, the triangular table of the current principal
// variation, and the "does this move give check" test used to sort quiet
// checking moves ahead of the other quiet moves.
//
// Globals read and written: killerMoves, searchHistoryScore and the
// current principal variation (currentPVFromX .. currentPVKey_s); read:
// board (the moved piece and, for the check test, the position).
#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"

#include <cstring>

namespace {

// Copies the text of a key, terminator included; the bytes behind it are
// never read, so the rest of the 512 need not be touched.
inline void CopyKeyText(HS &dst, const HS &src) {
    std::memcpy(dst.v, src.v, std::strlen(src.v) + 1);
}

// The last line of the triangular table: plies and levels 0 to 11 are used.
constexpr int kLastPly = 11;

// Rows of killerMoves (levels 0 to 8) and killer slots per row.
constexpr int kKillerLevels = 9;

// History scores never grow beyond this.
constexpr double kHistoryCap = 1000000;

}  // namespace

double ClearKillerMoves() {
    for (int level = 0; level <= 7; ++level) {
        for (int field = 0; field < kKillerSlots * kKillerFields; ++field)
            killerMoves[level][field] = -1;
    }
    return 0;
}

double RememberKiller(double level, double fx, double fy, double tx, double ty) {
    double *first = killerMoves[to_index(level, kKillerLevels)];
    double *second = first + kKillerFields;
    if (first[kColFromX] == fx && first[kColFromY] == fy && first[kColToX] == tx &&
        first[kColToY] == ty)
        return 0;
    for (int field = 0; field < kKillerFields; ++field) second[field] = first[field];
    first[kColFromX] = fx;
    first[kColFromY] = fy;
    first[kColToX] = tx;
    first[kColToY] = ty;
    return 0;
}

double IsKillerMove(double level, double slot, double fx, double fy, double tx, double ty) {
    // A move the capture passes already try is never tried again as a killer.
    if (IsInnerOrderedMove(level, fx, fy, tx, ty) != 0) return 0;
    const double *killer =
        killerMoves[to_index(level, kKillerLevels)] + to_index(slot, kKillerSlots) * kKillerFields;
    if (killer[kColFromX] < 0) return 0;
    return (killer[kColFromX] == fx && killer[kColFromY] == fy && killer[kColToX] == tx &&
            killer[kColToY] == ty)
               ? 1
               : 0;
}

double ClearSearchHistoryScores() {
    for (int player = 1; player <= 2; ++player) {
        for (int i = 0; i < kMoveCodes; ++i) searchHistoryScore[player][i] = 0;
    }
    return 0;
}

double RewardSearchHistory(double player, double level, double fx, double fy, double tx,
                           double ty) {
    double bonus = 9 - level;
    if (bonus < 1) bonus = 1;
    double &score =
        searchHistoryScore[to_index(player, 3)][to_index(move_code(fx, fy, tx, ty), kMoveCodes)];
    score += bonus * bonus;
    if (score > kHistoryCap) score = kHistoryCap;
    return 0;
}

double ClearCurrentPVLine(double level) {
    if (level > kLastPly) return 0;
    const int row = to_index(level, kLastPly + 1);
    for (int ply = row; ply <= kLastPly; ++ply) {
        currentPVValid[row][ply] = 0;
        currentPVKey_s[row][ply].v[0] = 0;
        currentPVPiece[row][ply] = 0;
    }
    return 0;
}

double StoreCurrentPV(double level, double player, double fx, double fy, double tx, double ty) {
    ClearCurrentPVLine(level);
    const int row = to_index(level, kLastPly + 1);
    currentPVFromX[row][row] = fx;
    currentPVFromY[row][row] = fy;
    currentPVToX[row][row] = tx;
    currentPVToY[row][row] = ty;
    WritePositionKey(currentPVKey_s[row][row].v, player);
    currentPVPiece[row][row] = board[to_index(fx, 8)][to_index(fy, 8)];
    currentPVValid[row][row] = 1;
    if (row < kLastPly) {
        const int below = row + 1;
        for (int ply = below; ply <= kLastPly; ++ply) {
            if (currentPVValid[below][ply] != 1) continue;
            currentPVFromX[row][ply] = currentPVFromX[below][ply];
            currentPVFromY[row][ply] = currentPVFromY[below][ply];
            currentPVToX[row][ply] = currentPVToX[below][ply];
            currentPVToY[row][ply] = currentPVToY[below][ply];
            CopyKeyText(currentPVKey_s[row][ply], currentPVKey_s[below][ply]);
            currentPVPiece[row][ply] = currentPVPiece[below][ply];
            currentPVValid[row][ply] = 1;
        }
    }
    return 0;
}

double SearchMoveGivesCheck(double player, double level, double fx, double fy, double tx,
                            double ty) {
    // The level's slot is written as the search's own moves write it; the
    // move itself is taken back by the move maker, which writes back only
    // its squares.
    SaveSearchState(level);
    const MoveEffects move =
        move_effects(EngineBoard(), square_of(static_cast<int>(fx), static_cast<int>(fy)),
                     square_of(static_cast<int>(tx), static_cast<int>(ty)));
    MoveUndo undo;
    do_move(move, undo);
    double result = 0;
    double kingPos = FindKing(opponent_of(static_cast<int>(player)));
    if (kingPos >= 0) {
        const int pos = static_cast<int>(kingPos);
        result = IsSquareAttacked(king_pos_x(pos), king_pos_y(pos), player) != 0 ? 1 : 0;
    }
    undo_move(move, undo);
    return result;
}
