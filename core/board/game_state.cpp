// Whole-position queries: any legal move, the number of legal moves, and
// the dead-draw material rule.
//
// Globals: read `board` and the castling and en-passant globals; write
// nothing.
#include "core/board/board_view.h"
#include "core/board/candidate_windows.h"
#include "core/board/legal_moves.h"
#include "core/quin_core.h"
#include "core/types.h"

#include <cassert>

namespace {

// The number of legal moves by its definition: every square of the board
// that IsMoveValid accepts as a target of each of the side's pieces, a
// promotion counted once.
[[maybe_unused]] double count_by_scan(int side) {
    double count = 0;
    for_each_piece_of(side, [&count](int fx, int fy, int) {
        for (int ty = 0; ty < 8; ++ty)
            for (int tx = 0; tx < 8; ++tx)
                if (IsMoveValid(fx, fy, tx, ty)) count += 1;
        return true;
    });
    return count;
}

bool is_side(double player) { return player == kWhite || player == kBlack; }

}  // namespace

// The side's legal moves from the one generator, each piece's targets
// counted as a set.
double CountLegalMoves(double player) {
    if (!is_side(player)) return 0;  // no piece belongs to such a side
    const int side = static_cast<int>(player);
    BoardView v;
    v.load();
    const LegalMoves legal(v, side);
    int count = 0;
    for (uint64_t pieces = v.bySide[side]; pieces != 0;)
        count += count_bits(legal.moves(pop_lsb(pieces)));
    assert(count == count_by_scan(side));
    return count;
}

double HasLegalMove(double player) {
    if (!is_side(player)) return 0;
    BoardView v;
    v.load();
    return LegalMoves(v, static_cast<int>(player)).any() ? 1 : 0;
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
