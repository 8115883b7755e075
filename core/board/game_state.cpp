// Whole-position queries: any legal move, the number of legal moves, and
// the dead-draw material rule.
#include "../quin_core.h"

static inline bool owned_by(double piece, double player) {
    return piece != 0 && (player == 1 ? piece < 11 : piece >= 11);
}

double CountLegalMoves(double player) {
    double count = 0;
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            if (!owned_by(board[fx][fy], player)) continue;
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx)
                    if (IsMoveValid(fx, fy, tx, ty)) count += 1;
        }
    return count;
}

// Tries, per piece type, only the squares that type can reach, and stops at
// the first legal move.
double HasLegalMove(double player) {
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            const double piece = board[fx][fy];
            if (!owned_by(piece, player)) continue;
            const int type = static_cast<int>(piece) % 10;
            if (type == 1) {
                const int dir = piece == 1 ? -1 : 1;
                const int startRow = piece == 1 ? 6 : 1;
                int firstY = fy + dir, lastY = fy + dir;
                if (fy == startRow) {
                    if (dir < 0)
                        firstY = fy + 2 * dir;
                    else
                        lastY = fy + 2 * dir;
                }
                for (int ty = firstY; ty <= lastY; ++ty) {
                    if (ty < 0 || ty > 7) continue;
                    for (int tx = fx - 1; tx <= fx + 1; ++tx) {
                        if (tx < 0 || tx > 7) continue;
                        if (IsMoveValid(fx, fy, tx, ty)) return 1;
                    }
                }
            } else if (type == 3) {
                for (int ty = fy - 2; ty <= fy + 2; ++ty) {
                    if (ty == fy || ty < 0 || ty > 7) continue;
                    const int j = (ty - fy == 1 || fy - ty == 1) ? 2 : 1;
                    const int cols[2] = {fx - j, fx + j};
                    for (int tx : cols) {
                        if (tx < 0 || tx > 7) continue;
                        if (IsMoveValid(fx, fy, tx, ty)) return 1;
                    }
                }
            } else {
                for (int ty = 0; ty < 8; ++ty)
                    for (int tx = 0; tx < 8; ++tx)
                        if (IsMoveValid(fx, fy, tx, ty)) return 1;
            }
        }
    return 0;
}

double IsInsufficientMaterial() {
    int whiteMinors = 0, blackMinors = 0, whiteBishops = 0, blackBishops = 0;
    double whiteBishopColour = -1, blackBishopColour = -1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const double piece = board[x][y];
            if (piece == 0) continue;
            const bool white = piece < 11;
            const int t = static_cast<int>(white ? piece : piece - 10);
            if (t == 6) continue;
            if (t == 5 || t == 2 || t == 1) return 0;
            if (t == 3 || t == 4) {
                if (white)
                    ++whiteMinors;
                else
                    ++blackMinors;
                if (t == 4) {
                    if (white) {
                        ++whiteBishops;
                        whiteBishopColour = Mod(x + y, 2);
                    } else {
                        ++blackBishops;
                        blackBishopColour = Mod(x + y, 2);
                    }
                }
            }
        }
    if (whiteMinors == 0 && blackMinors == 0) return 1;
    if ((whiteMinors == 1 && blackMinors == 0) || (whiteMinors == 0 && blackMinors == 1)) return 1;
    if (whiteMinors == 1 && blackMinors == 1 && whiteBishops == 1 && blackBishops == 1 &&
        whiteBishopColour == blackBishopColour)
        return 1;
    return 0;
}
