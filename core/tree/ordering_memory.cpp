// Ordering memory of the tree search: two killer moves per level, history
// scores per side and move, the triangular table of the current principal
// variation, and the "does this move give check" test used to sort quiet
// checking moves ahead of the other quiet moves.
#include "core/quin_core.h"

#include <cstring>

namespace {

// Copies the text of a key, terminator included; the bytes behind it are
// never read, so the rest of the 512 need not be touched.
inline void CopyKeyText(HS &dst, const HS &src) {
    std::memcpy(dst.v, src.v, std::strlen(src.v) + 1);
}

}  // namespace

double ClearKillerMoves() {
    for (int level = 0; level <= 7; ++level) {
        for (int field = 0; field <= 7; ++field) killerMoves[level][field] = -1;
    }
    return 0;
}

double RememberKiller(double level, double fx, double fy, double tx, double ty) {
    double *row = killerMoves[static_cast<int>(level)];
    if (row[0] == fx && row[1] == fy && row[2] == tx && row[3] == ty) return 0;
    row[4] = row[0];
    row[5] = row[1];
    row[6] = row[2];
    row[7] = row[3];
    row[0] = fx;
    row[1] = fy;
    row[2] = tx;
    row[3] = ty;
    return 0;
}

double IsKillerMove(double level, double slot, double fx, double fy, double tx, double ty) {
    // A move the capture passes already try is never tried again as a killer.
    if (IsInnerOrderedMove(level, fx, fy, tx, ty) != 0) return 0;
    const double *killer = killerMoves[static_cast<int>(level)] + static_cast<int>(slot) * 4;
    if (killer[0] < 0) return 0;
    return (killer[0] == fx && killer[1] == fy && killer[2] == tx && killer[3] == ty) ? 1 : 0;
}

double ClearSearchHistoryScores() {
    for (int player = 1; player <= 2; ++player) {
        for (int i = 0; i < 4096; ++i) searchHistoryScore[player][i] = 0;
    }
    return 0;
}

double SearchHistoryIndex(double fx, double fy, double tx, double ty) {
    return (fx + fy * 8) * 64 + ty * 8 + tx;
}

double RewardSearchHistory(double player, double level, double fx, double fy, double tx,
                           double ty) {
    double bonus = 9 - level;
    if (bonus < 1) bonus = 1;
    double &score = searchHistoryScore[static_cast<int>(player)]
                                      [static_cast<int>((fy * 8 + fx) * 64 + ty * 8 + tx)];
    score += bonus * bonus;
    if (score > 1000000) score = 1000000;
    return 0;
}

double ClearCurrentPVLine(double level) {
    if (level > 11) return 0;
    const int row = static_cast<int>(level);
    for (int ply = row; ply <= 11; ++ply) {
        currentPVValid[row][ply] = 0;
        currentPVKey_s[row][ply].v[0] = 0;
        currentPVPiece[row][ply] = 0;
    }
    return 0;
}

double StoreCurrentPV(double level, double player, double fx, double fy, double tx, double ty) {
    ClearCurrentPVLine(level);
    const int row = static_cast<int>(level);
    currentPVFromX[row][row] = fx;
    currentPVFromY[row][row] = fy;
    currentPVToX[row][row] = tx;
    currentPVToY[row][row] = ty;
    WritePositionKey(currentPVKey_s[row][row].v, player);
    currentPVPiece[row][row] = board[static_cast<int>(fx)][static_cast<int>(fy)];
    currentPVValid[row][row] = 1;
    if (row < 11) {
        const int below = row + 1;
        for (int ply = below; ply <= 11; ++ply) {
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
    SaveSearchState(level);
    MakeSearchMove(fx, fy, tx, ty);
    double result = 0;
    double kingPos = FindKing(3 - player);
    if (kingPos >= 0) {
        double kx = Int(kingPos / 10);
        double ky = Mod(kingPos, 10);
        result = IsSquareAttacked(kx, ky, player) != 0 ? 1 : 0;
    }
    RestoreSearchState(level);
    return result;
}
