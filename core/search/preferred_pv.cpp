// Preferred principal variation: the best line of the last finished
// iteration.  The next, deeper iteration offers its move first at a level
// whose position (with the same side to move) is the one in which the line
// played that move.  Ply 0 is kept for the caller's report only.
//
// Globals written: the preferred line (preferredPVValid, preferredPVFromX ..
// preferredPVPiece, preferredPVKey_s).  Read: the level-0 row of the current
// principal variation (currentPV*), board and the position state (for the
// position key and the legality test).
#include "core/quin_core.h"

namespace {

// Plies 0 to 11 of a line are kept.
constexpr int kLastPly = 11;

}  // namespace

#include <cstring>

double ClearPreferredPV() {
    for (int ply = 0; ply <= kLastPly; ++ply) {
        preferredPVValid[ply] = 0;
        preferredPVKey_s[ply].v[0] = 0;
        preferredPVPiece[ply] = 0;
    }
    return 0;
}

double SavePreferredPV() {
    ClearPreferredPV();
    for (int ply = 0; ply <= kLastPly; ++ply) {
        if (currentPVValid[0][ply] != 1) continue;
        preferredPVFromX[ply] = currentPVFromX[0][ply];
        preferredPVFromY[ply] = currentPVFromY[0][ply];
        preferredPVToX[ply] = currentPVToX[0][ply];
        preferredPVToY[ply] = currentPVToY[0][ply];
        const HS &key = currentPVKey_s[0][ply];
        std::memcpy(preferredPVKey_s[ply].v, key.v, std::strlen(key.v) + 1);
        preferredPVPiece[ply] = currentPVPiece[0][ply];
        preferredPVValid[ply] = 1;
    }
    return 0;
}

double PreferredPVAvailable(double level, double player) {
    if (!(level >= 1 && level <= kLastPly)) return 0;
    const int ply = to_index(level, kLastPly + 1);
    if (preferredPVValid[ply] == 0) return 0;

    char key[sizeof(HS::v)];
    WritePositionKey(key, player);
    if (std::strcmp(key, preferredPVKey_s[ply].v) != 0) return 0;

    const double fx = preferredPVFromX[ply], fy = preferredPVFromY[ply];
    const double tx = preferredPVToX[ply], ty = preferredPVToY[ply];
    auto onBoard = [](double c) { return c >= 0 && c <= 7; };
    if (!onBoard(fx) || !onBoard(fy) || !onBoard(tx) || !onBoard(ty)) return 0;
    if (PieceColor(board[to_index(fx, 8)][to_index(fy, 8)]) != player) return 0;
    return IsMoveValid(fx, fy, tx, ty);
}
