// Whole-position queries: any legal move, the number of legal moves, and
// the dead-draw material rule.
//
// Globals: read `board` (and, through IsMoveValid, the castling and
// en-passant globals); write nothing.
#include "core/board/candidate_windows.h"
#include "core/board/legality.h"
#include "core/quin_core.h"
#include "core/types.h"

double CountLegalMoves(double player) {
    const int side = static_cast<int>(player);
    double count = 0;
    for_each_piece_of(side, [&count](int fx, int fy, int) {
        for (int ty = 0; ty < 8; ++ty)
            for (int tx = 0; tx < 8; ++tx)
                if (IsMoveValid(fx, fy, tx, ty)) count += 1;
        return true;
    });
    return count;
}

// The search for a legal move is any_legal_move (core/board/legality.h).
double HasLegalMove(double player) {
    return any_legal_move(static_cast<int>(player), nullptr) ? 1 : 0;
}

double IsInsufficientMaterial() {
    int whiteMinors = 0, blackMinors = 0, whiteBishops = 0, blackBishops = 0;
    double whiteBishopColour = -1, blackBishopColour = -1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const double piece = board[x][y];
            if (piece == 0) continue;
            const bool white = colour_of(piece) == kWhite;
            const int t = type_of(piece);
            if (t == kKing) continue;
            if (t == kQueen || t == kRook || t == kPawn) return 0;
            if (t == kKnight || t == kBishop) {
                if (white)
                    ++whiteMinors;
                else
                    ++blackMinors;
                if (t == kBishop) {
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
