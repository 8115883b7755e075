// Attack and check detection: read-only walks over the board.
//
// Globals: reads `board` only.
#include "core/quin_core.h"
#include "core/types.h"

#include <cstdlib>

double IsSquareAttacked(double xd, double yd, double attackerColor) {
    const int x = static_cast<int>(xd), y = static_cast<int>(yd);
    const int attacker = attackerColor == kWhite ? kWhite : kBlack;
    const int pawnDy = attacker == kWhite ? 1 : -1;  // a White pawn attacks from below (larger y)
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            int cx = x + dx, cy = y + dy, d = 1;
            while (cx >= 0 && cx <= 7 && cy >= 0 && cy <= 7) {
                const double p = board[cx][cy];
                if (p != 0) {
                    if (colour_of(p) == attacker) {
                        const int t = type_of(p);
                        if (t == kQueen) return 1;
                        if (dx != 0 && dy != 0) {
                            if (t == kBishop) return 1;
                            if (d == 1 && t == kPawn && dy == pawnDy) return 1;
                        } else if (t == kRook) {
                            return 1;
                        }
                        if (d == 1 && t == kKing) return 1;
                    }
                    break;
                }
                cx += dx;
                cy += dy;
                ++d;
            }
        }
    }
    const double knight = make_piece(attacker, kKnight);
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
    const int piece = static_cast<int>(board[fx][fy]);
    switch (type_of(piece)) {
        case kPawn: return (dy == (colour_of(piece) == kWhite ? -1 : 1) && adx == 1) ? 1 : 0;
        case kRook: return IsRookMoveValid(fromX, fromY, toX, toY);
        case kKnight: return ((adx == 2 && ady == 1) || (adx == 1 && ady == 2)) ? 1 : 0;
        case kBishop: return IsBishopMoveValid(fromX, fromY, toX, toY);
        case kQueen: return IsQueenMoveValid(fromX, fromY, toX, toY);
        case kKing: return (adx <= 1 && ady <= 1 && (adx | ady) != 0) ? 1 : 0;
        default: return 0;  // an empty square
    }
}

double FindKing(double player) {
    const double king = make_piece(player == kWhite ? kWhite : kBlack, kKing);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (board[x][y] == king) return x * 10 + y;
    return -1;
}

double IsPlayerInCheck(double player) {
    const double kingPos = FindKing(player);
    if (kingPos < 0) return 0;
    const double x = Int(kingPos / 10), y = Mod(kingPos, 10);
    return IsSquareAttacked(x, y, player == kWhite ? kBlack : kWhite);
}
