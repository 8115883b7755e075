// Winning-king endgame term.
//
// King and rook or queen (with or without further material) against the bare
// king is won, but material alone does not show the way: the stronger side
// must drive the lone king to the edge, bring its own king close and take the
// lone king's flight squares away.  This term rewards exactly that, from the
// stronger side's point of view, and is zero in every other position.
//
// Globals read: board (and whatever IsMoveValid reads).  Written: none.
#include "core/eval/winning_king.h"

#include "core/quin_core.h"

double winning_king_bonus(const WinningKingMaterial &m) {
    if (m.whiteKingX < 0 || m.blackKingX < 0) return 0;

    int sign, strongX, strongY, weakX, weakY;
    if (m.whiteOthers > 0 && m.blackOthers == 0 && m.whiteHeavy) {
        sign = 1;
        strongX = m.whiteKingX;
        strongY = m.whiteKingY;
        weakX = m.blackKingX;
        weakY = m.blackKingY;
    } else if (m.blackOthers > 0 && m.whiteOthers == 0 && m.blackHeavy) {
        sign = -1;
        strongX = m.blackKingX;
        strongY = m.blackKingY;
        weakX = m.whiteKingX;
        weakY = m.whiteKingY;
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
    WinningKingMaterial material;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const int code = static_cast<int>(board[x][y]);
            if (code == kEmpty) continue;
            add_winning_king_piece(material, x, y, colour_of(code) == kWhite, type_of(code));
        }
    }
    return winning_king_bonus(material);
}
