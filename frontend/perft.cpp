// Perft: counts the leaves of the legal move tree, each promotion counted
// once per piece type.  Legality is always decided by IsMoveValid; only
// squares that the piece's type can reach at all are offered to it, and the
// last ply is counted without playing its moves.
#include "quintar.h"

namespace {

inline bool own(double piece, double side) {
    return piece != 0 && (side == 1 ? piece < 11 : piece >= 11);
}

// Calls visit(tx, ty) for every square the piece on (fx, fy) could reach
// by its movement pattern (sliders stop at the first occupied square).
template <typename Visit>
void for_each_target(int fx, int fy, double piece, Visit visit) {
    const int type = static_cast<int>(piece) % 10;
    auto ray = [&](int dx, int dy) {
        int x = fx + dx, y = fy + dy;
        while (x >= 0 && x <= 7 && y >= 0 && y <= 7) {
            visit(x, y);
            if (board[x][y] != 0) break;
            x += dx;
            y += dy;
        }
    };
    switch (type) {
        case 1: {
            const int dir = piece == 1 ? -1 : 1;
            const int ty = fy + dir;
            if (ty < 0 || ty > 7) return;
            for (int tx = fx - 1; tx <= fx + 1; ++tx)
                if (tx >= 0 && tx <= 7) visit(tx, ty);
            if (fy == (piece == 1 ? 6 : 1)) visit(fx, fy + 2 * dir);
            return;
        }
        case 3: {
            static const int kx[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
            static const int ky[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
            for (int i = 0; i < 8; ++i) {
                const int x = fx + kx[i], y = fy + ky[i];
                if (x >= 0 && x <= 7 && y >= 0 && y <= 7) visit(x, y);
            }
            return;
        }
        case 6:
            for (int y = fy - 1; y <= fy + 1; ++y)
                for (int x = fx - 2; x <= fx + 2; ++x)
                    if (x >= 0 && x <= 7 && y >= 0 && y <= 7 && (x != fx || y != fy)) visit(x, y);
            return;
        default:
            if (type == 2 || type == 5) {
                ray(1, 0);
                ray(-1, 0);
                ray(0, 1);
                ray(0, -1);
            }
            if (type == 4 || type == 5) {
                ray(1, 1);
                ray(1, -1);
                ray(-1, 1);
                ray(-1, -1);
            }
            return;
    }
}

inline bool is_promotion(double piece, int ty) {
    return (piece == 1 || piece == 11) && (ty == 0 || ty == 7);
}

// Calls visit(fx, fy, tx, ty, piece) for every legal move of `side`, in
// board order.  Each candidate is decided by the engine's move validation;
// the facts that hold for the whole position (where the king stands, whether
// it is attacked, whether a piece shields it from a slider) are worked out
// once instead of once per candidate.
template <typename Visit>
void for_each_legal_move(double side, Visit visit) {
    const double king = FindKing(side);
    const double attacked =
        king < 0 ? 0 : IsSquareAttacked(Int(king / 10), Mod(king, 10), 3 - side);
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            const double piece = board[fx][fy];
            if (!own(piece, side)) continue;
            // With the king safe, a piece that neither is the king nor
            // shields it cannot leave the king attacked: the piece rules
            // decide (en passant, which empties a second square, excepted).
            const bool free = king >= 0 && attacked == 0 && piece != 6 && piece != 16 &&
                              PieceShieldsKing(fx, fy, king) == 0;
            for_each_target(fx, fy, piece, [&](int tx, int ty) {
                const bool enPassant =
                    (piece == 1 || piece == 11) && tx != fx && board[tx][ty] == 0;
                const bool legal = free && !enPassant
                                       ? IsBasicMoveValid(fx, fy, tx, ty) != 0
                                       : IsMoveValidKnownKing(fx, fy, tx, ty, king, attacked) != 0;
                if (legal) visit(fx, fy, tx, ty, piece);
            });
        }
}

}  // namespace

uint64_t perft(int d) {
    if (d <= 0) return 1;
    const State s = state_get();
    const double side = s.side;
    uint64_t count = 0;
    if (d == 1) {
        for_each_legal_move(side, [&](int, int, int, int ty, double piece) {
            count += is_promotion(piece, ty) ? 4 : 1;
        });
        return count;
    }
    static const double kPromotions[4] = {2, 3, 4, 5};
    for_each_legal_move(side, [&](int fx, int fy, int tx, int ty, double piece) {
        const bool promotion = is_promotion(piece, ty);
        for (int i = 0; i < (promotion ? 4 : 1); ++i) {
            MakeSearchMove(fx, fy, tx, ty);
            if (promotion) board[tx][ty] = kPromotions[i] + (side == 2 ? 10 : 0);
            currentPlayer = 3 - side;
            count += perft(d - 1);
            state_put(&s);
        }
    });
    return count;
}
