// Preferred principal variation: the best line of the last finished
// iteration.  The next, deeper iteration offers its move first at a level
// whose position (with the same side to move) is the one in which the line
// played that move.  Ply 0 is kept for the caller's report only.
#include "core/quin_core.h"

#include <cstring>

double ClearPreferredPV() {
    for (int ply = 0; ply <= 11; ++ply) {
        preferredPVValid[ply] = 0;
        preferredPVKey_s[ply].v[0] = 0;
        preferredPVPiece[ply] = 0;
    }
    return 0;
}

double SavePreferredPV() {
    ClearPreferredPV();
    for (int ply = 0; ply <= 11; ++ply) {
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
    if (!(level >= 1 && level <= 11)) return 0;
    const int ply = static_cast<int>(level);
    if (preferredPVValid[ply] == 0) return 0;

    char key[sizeof(HS::v)];
    WritePositionKey(key, player);
    if (std::strcmp(key, preferredPVKey_s[ply].v) != 0) return 0;

    const double fx = preferredPVFromX[ply], fy = preferredPVFromY[ply];
    const double tx = preferredPVToX[ply], ty = preferredPVToY[ply];
    auto onBoard = [](double c) { return c >= 0 && c <= 7; };
    if (!onBoard(fx) || !onBoard(fy) || !onBoard(tx) || !onBoard(ty)) return 0;
    if (PieceColor(board[static_cast<int>(fx)][static_cast<int>(fy)]) != player) return 0;
    return IsMoveValid(fx, fy, tx, ty);
}
