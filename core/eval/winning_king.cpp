// Winning-king endgame term.
//
// King and rook or queen (with or without further material) against the bare
// king is won, but material alone does not show the way: the stronger side
// must drive the lone king to the edge, bring its own king close and take the
// lone king's flight squares away.  This term rewards exactly that, from the
// stronger side's point of view, and is zero in every other position.
#include "core/quin_core.h"

double winning_king_bonus(int whiteKingX, int whiteKingY, int blackKingX, int blackKingY,
                          int whiteOthers, int blackOthers, int whiteHeavy, int blackHeavy) {
    if (whiteKingX < 0 || blackKingX < 0) return 0;

    int sign, strongX, strongY, weakX, weakY;
    if (whiteOthers > 0 && blackOthers == 0 && whiteHeavy) {
        sign = 1;
        strongX = whiteKingX;
        strongY = whiteKingY;
        weakX = blackKingX;
        weakY = blackKingY;
    } else if (blackOthers > 0 && whiteOthers == 0 && blackHeavy) {
        sign = -1;
        strongX = blackKingX;
        strongY = blackKingY;
        weakX = whiteKingX;
        weakY = whiteKingY;
    } else {
        return 0;
    }

    // Distance of the lone king from the nearest edge (0 to 3).
    const int edgeX = weakX < 7 - weakX ? weakX : 7 - weakX;
    const int edgeY = weakY < 7 - weakY ? weakY : 7 - weakY;
    const int edge = edgeX < edgeY ? edgeX : edgeY;

    const int distance = (strongX > weakX ? strongX - weakX : weakX - strongX) +
                         (strongY > weakY ? strongY - weakY : weakY - strongY);

    // Legal king moves of the lone king, whichever side is to move.
    int escapes = 0;
    for (int ty = weakY - 1; ty <= weakY + 1; ty++) {
        for (int tx = weakX - 1; tx <= weakX + 1; tx++) {
            if (tx < 0 || tx > 7 || ty < 0 || ty > 7) continue;
            if (tx == weakX && ty == weakY) continue;
            if (IsMoveValid(weakX, weakY, tx, ty) == 1) escapes++;
        }
    }

    const int bonus = (8 - escapes) * 16 + (3 - edge) * 35 + (14 - distance) * 18;
    return sign * bonus;
}

double WinningKingEndgame() {
    int whiteKingX = -1, whiteKingY = -1, blackKingX = -1, blackKingY = -1;
    int whiteOthers = 0, blackOthers = 0, whiteHeavy = 0, blackHeavy = 0;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int code = static_cast<int>(board[x][y]);
            if (code == 0) continue;
            if (code == 6) {
                whiteKingX = x;
                whiteKingY = y;
            } else if (code == 16) {
                blackKingX = x;
                blackKingY = y;
            } else if (code < 11) {
                whiteOthers++;
                if (code == 2 || code == 5) whiteHeavy = 1;
            } else {
                blackOthers++;
                if (code == 12 || code == 15) blackHeavy = 1;
            }
        }
    }
    return winning_king_bonus(whiteKingX, whiteKingY, blackKingX, blackKingY, whiteOthers,
                              blackOthers, whiteHeavy, blackHeavy);
}
