// Perft: counts the leaves of the legal move tree, each promotion counted
// once per piece type.  The candidates are the search's own windows
// (core/board/candidate_windows.h), so perft also proves that the windows
// hold every legal move; legality is always decided by the engine's move
// validation, and the last ply is counted without playing its moves.
//
// Globals: reads and writes `board` and the castling, en-passant and
// half-move globals through MakeSearchMove and state_put; writes
// `currentPlayer`.
#include "core/board/candidate_windows.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/types.h"
#include "frontend/quintar.h"

namespace {

inline bool is_promotion(int piece, int ty) {
    return type_of(piece) == kPawn && (ty == 0 || ty == 7);
}

// Calls visit(fx, fy, tx, ty, piece) for every legal move of `side`, in
// board order.  Each candidate is decided by the engine's move validation;
// the facts that hold for the whole position (where the king stands, whether
// it is attacked, whether a piece shields it from a slider) are worked out
// once instead of once per candidate.
template <typename Visit>
void for_each_legal_move(int side, Visit visit) {
    const KingSafety k = king_safety(side);
    for_each_piece_of(side, [&](int fx, int fy, int piece) {
        const bool decide = rules_decide(k, fx, fy, piece);
        return visit_window(piece, fx, fy, [&](int tx, int ty) {
            // Own pieces (and the piece's own square) are never a move.
            if (colour_of(board[tx][ty]) == side) return true;
            if (legal_with(k, decide, fx, fy, tx, ty, piece)) visit(fx, fy, tx, ty, piece);
            return true;
        });
    });
}

}  // namespace

uint64_t perft(int d) {
    if (d <= 0) return 1;
    const State s = state_get();
    const int side = static_cast<int>(s.side);
    uint64_t count = 0;
    if (d == 1) {
        for_each_legal_move(side, [&](int, int, int, int ty, int piece) {
            count += is_promotion(piece, ty) ? 4 : 1;
        });
        return count;
    }
    static const int kPromotions[4] = {kRook, kKnight, kBishop, kQueen};
    for_each_legal_move(side, [&](int fx, int fy, int tx, int ty, int piece) {
        const bool promotion = is_promotion(piece, ty);
        for (int i = 0; i < (promotion ? 4 : 1); ++i) {
            MakeSearchMove(fx, fy, tx, ty);
            if (promotion) board[tx][ty] = make_piece(side, kPromotions[i]);
            currentPlayer = opponent_of(side);
            count += perft(d - 1);
            state_put(&s);
        }
    });
    return count;
}
