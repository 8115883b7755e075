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
    const double kingPos = FindKing(side);
    const int king = kingPos < 0 ? -1 : static_cast<int>(kingPos);
    const bool attacked =
        king >= 0 && IsSquareAttacked(king / 10, king % 10, opponent_of(side)) != 0;
    for_each_piece_of(side, [&](int fx, int fy, int piece) {
        // With the king safe, a piece that neither is the king nor shields
        // it cannot leave the king attacked: the piece rules decide (en
        // passant, which empties a second square, excepted).
        const bool pawn = type_of(piece) == kPawn;
        const bool free =
            king >= 0 && !attacked && type_of(piece) != kKing && !piece_shields_king(fx, fy, king);
        return visit_window(piece, fx, fy, [&](int tx, int ty) {
            const int target = static_cast<int>(board[tx][ty]);
            // Own pieces (and the piece's own square) are never a move.
            if (colour_of(target) == side) return true;
            const bool enPassant = pawn && tx != fx && target == kEmpty;
            const bool legal = free && !enPassant
                                   ? piece_rules_allow(fx, fy, tx, ty)
                                   : move_legal_known_king(fx, fy, tx, ty, king, attacked);
            if (legal) visit(fx, fy, tx, ty, piece);
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
