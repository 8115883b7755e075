// Attack and check detection: read-only walks over the board.
#include "../quin_core.h"

#include <cstdlib>

double IsSquareAttacked(double xd, double yd, double attackerColor) {
    const int x = static_cast<int>(xd), y = static_cast<int>(yd);
    const bool white = attackerColor == 1;
    const int base = white ? 0 : 10;
    const int pawnDy = white ? 1 : -1;  // a White pawn attacks from below (larger y)
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            int cx = x + dx, cy = y + dy, d = 1;
            while (cx >= 0 && cx <= 7 && cy >= 0 && cy <= 7) {
                const double p = board[cx][cy];
                if (p != 0) {
                    const bool own = white ? (p < 11) : (p >= 11);
                    if (own) {
                        const int t = static_cast<int>(p) - base;
                        if (t == 5) return 1;
                        if (dx != 0 && dy != 0) {
                            if (t == 4) return 1;
                            if (d == 1 && t == 1 && dy == pawnDy) return 1;
                        } else if (t == 2) {
                            return 1;
                        }
                        if (d == 1 && t == 6) return 1;
                    }
                    break;
                }
                cx += dx;
                cy += dy;
                ++d;
            }
        }
    }
    const double knight = white ? 3 : 13;
    static const int kx[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
    static const int ky[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
    for (int i = 0; i < 8; ++i) {
        const int cx = x + kx[i], cy = y + ky[i];
        if (cx >= 0 && cx <= 7 && cy >= 0 && cy <= 7 && board[cx][cy] == knight) return 1;
    }
    return 0;
}

double PieceAttacksSquare(double fromX, double fromY, double toX, double toY) {
    const int fx = static_cast<int>(fromX), fy = static_cast<int>(fromY);
    const int tx = static_cast<int>(toX), ty = static_cast<int>(toY);
    const int dx = tx - fx, dy = ty - fy;
    const int adx = std::abs(dx), ady = std::abs(dy);
    switch (static_cast<int>(board[fx][fy])) {
        case 0: return 0;
        case 1: return (dy == -1 && adx == 1) ? 1 : 0;
        case 11: return (dy == 1 && adx == 1) ? 1 : 0;
        case 2:
        case 12: return IsRookMoveValid(fromX, fromY, toX, toY);
        case 3:
        case 13: return ((adx == 2 && ady == 1) || (adx == 1 && ady == 2)) ? 1 : 0;
        case 4:
        case 14: return IsBishopMoveValid(fromX, fromY, toX, toY);
        case 5:
        case 15: return IsQueenMoveValid(fromX, fromY, toX, toY);
        case 6:
        case 16: return (adx <= 1 && ady <= 1 && (adx | ady) != 0) ? 1 : 0;
        default: return 0;
    }
}

double FindKing(double player) {
    const double king = player == 1 ? 6 : 16;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (board[x][y] == king) return x * 10 + y;
    return -1;
}

double IsPlayerInCheck(double player) {
    const double kingPos = FindKing(player);
    if (kingPos < 0) return 0;
    const double x = Int(kingPos / 10), y = Mod(kingPos, 10);
    return IsSquareAttacked(x, y, player == 1 ? 2 : 1);
}
