// Tactical threat tests for the quiet search: pawn forks, knight forks by a
// knight that has just jumped in, and a queen's loose minor-piece target.
//
// Globals: read `board` and `searchBoard` (the position before the last
// move); write nothing.
#include "core/board/candidate_windows.h"
#include "core/board/geometry.h"
#include "core/quin_core.h"
#include "core/types.h"

namespace {

// Board square as a small integer piece code.
inline int piece_at(int x, int y) { return static_cast<int>(board[x][y]); }

// An "enemy piece" for a fork is a rook, knight, bishop or queen of the other
// side; pawns and kings never count.
inline bool is_enemy_piece(int player, int piece) {
    const int type = type_of(piece);
    return colour_of(piece) == opponent_of(player) && type >= kRook && type <= kQueen;
}

inline int pawn_forks(int player, int x, int y) {
    const int targetY = y + (player == kWhite ? -1 : 1);
    if (x <= 0 || x >= 7 || targetY > 7 || targetY < 0) return 0;
    return is_enemy_piece(player, piece_at(x - 1, targetY)) &&
                   is_enemy_piece(player, piece_at(x + 1, targetY))
               ? 1
               : 0;
}

}  // namespace

double PawnForkTargets(double player, double x, double y) {
    return pawn_forks(static_cast<int>(player), static_cast<int>(x), static_cast<int>(y));
}

double HasPawnForkThreat(double player) {
    const int side = static_cast<int>(player);
    const int pawn = make_piece(side, kPawn);
    for (int y = 1; y <= 6; ++y) {
        for (int x = 1; x <= 6; ++x) {
            if (piece_at(x, y) != pawn) continue;
            // The pushes straight ahead in the pawn's window, rows ascending:
            // the double step from the start rank comes first for White,
            // second for Black.
            int firstRow, lastRow;
            window_rows(kPawn, side == kWhite, y, firstRow, lastRow);
            for (int ty = firstRow; ty <= lastRow; ++ty) {
                if (piece_at(x, ty) != 0) continue;
                if (pawn_forks(side, x, ty) == 1 && IsMoveValid(x, y, x, ty) == 1) return 1;
            }
        }
    }
    return 0;
}

double HasKnightForkThreat(double player, double level) {
    const int side = static_cast<int>(player);
    const int lv = static_cast<int>(level);
    // The "just arrived" test needs the position before the last move; with
    // no such slot there is no knight that has just moved.
    if (lv < 1 || lv >= kLevels) return 0;
    const double *before = searchBoard[lv - 1];
    const int knight = make_piece(side, kKnight);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (piece_at(x, y) != knight) continue;
            if (static_cast<int>(before[square_of(x, y)]) == knight) continue;
            int hits = 0;
            bool major = false;
            const bool fork = !visit_window(knight, x, y, [&](int tx, int ty) {
                const int piece = piece_at(tx, ty);
                if (!is_enemy_piece(side, piece)) return true;
                if (IsMoveValid(x, y, tx, ty) != 1) return true;
                ++hits;
                if (type_of(piece) == kRook || type_of(piece) == kQueen) major = true;
                return !(hits >= 2 && major);
            });
            if (fork) return 1;
        }
    }
    return 0;
}

double QueenMinorTarget(double player) {
    const int side = static_cast<int>(player);
    const int queen = make_piece(side, kQueen);
    int qx = -1, qy = -1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (piece_at(x, y) == queen) {
                qx = x;
                qy = y;
            }
    if (qx < 0) return 0;
    const int minorA = make_piece(opponent_of(side), kKnight);
    const int minorB = make_piece(opponent_of(side), kBishop);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int piece = piece_at(x, y);
            if (piece != minorA && piece != minorB) continue;
            if (PieceAttacksSquare(qx, qy, x, y) == 1 && IsMoveValid(qx, qy, x, y) == 1)
                return minor_target_code(x, y);
        }
    }
    return 0;
}
