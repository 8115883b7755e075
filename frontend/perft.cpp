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

// Calls visit(fx, fy, tx, ty, promotion) for every legal move of `piece`,
// of type Type, standing on (fx, fy), in window order; promotion tells a
// pawn reaching the last rank.  The type's window and piece rule fold into
// one loop.
template <int Type, typename Visit>
inline void visit_legal_moves_as(const KingSafety &k, int side, int fx, int fy, int piece,
                                 Visit &visit) {
    const bool decide = rules_decide(k, fx, fy, piece);
    auto anyRow = [](int) { return true; };
    auto onSquare = [&](int tx, int ty) {
        // Own pieces (and the piece's own square) are never a move.
        if (colour_of(board[tx][ty]) == side) return true;
        if (legal_with_as<Type>(k, decide, fx, fy, tx, ty, piece))
            visit(fx, fy, tx, ty, Type == kPawn && (ty == 0 || ty == 7));
        return true;
    };
    visit_typed_window<Type>(Type, side == kWhite, fx, fy, anyRow, onSquare);
}

// Calls visit(fx, fy, tx, ty, promotion) for every legal move of `side`, in
// board order.  Each candidate is decided by the engine's move validation; the
// facts that hold for the whole position (where the king stands, whether it
// is attacked, whether a piece shields it from a slider) are worked out once
// instead of once per candidate.
template <typename Visit>
void for_each_legal_move(int side, Visit visit) {
    const KingSafety k = king_safety(side);
    for_each_piece_of(side, [&](int fx, int fy, int piece) {
        switch (type_of(piece)) {
            case kPawn: visit_legal_moves_as<kPawn>(k, side, fx, fy, piece, visit); break;
            case kRook: visit_legal_moves_as<kRook>(k, side, fx, fy, piece, visit); break;
            case kKnight: visit_legal_moves_as<kKnight>(k, side, fx, fy, piece, visit); break;
            case kBishop: visit_legal_moves_as<kBishop>(k, side, fx, fy, piece, visit); break;
            case kQueen: visit_legal_moves_as<kQueen>(k, side, fx, fy, piece, visit); break;
            case kKing: visit_legal_moves_as<kKing>(k, side, fx, fy, piece, visit); break;
            default: break;
        }
        return true;
    });
}

// A legal move found in a position, kept while the position's moves are
// played one after the other.
struct FoundMove {
    signed char fx, fy, tx, ty;
    bool promotion;
};

}  // namespace

uint64_t perft(int d) {
    if (d <= 0) return 1;
    const int side = static_cast<int>(currentPlayer);
    uint64_t count = 0;
    if (d == 1) {
        for_each_legal_move(
            side, [&count](int, int, int, int, bool promotion) { count += promotion ? 4 : 1; });
        return count;
    }
    // At most 218 legal moves stand in any position.
    FoundMove moves[256];
    int n = 0;
    for_each_legal_move(side, [&](int fx, int fy, int tx, int ty, bool promotion) {
        moves[n++] = {static_cast<signed char>(fx), static_cast<signed char>(fy),
                      static_cast<signed char>(tx), static_cast<signed char>(ty), promotion};
    });
    const State s = state_get();
    static const int kPromotions[4] = {kRook, kKnight, kBishop, kQueen};
    for (int m = 0; m < n; ++m) {
        const int fx = moves[m].fx, fy = moves[m].fy, tx = moves[m].tx, ty = moves[m].ty;
        const bool promotion = moves[m].promotion;
        for (int i = 0; i < (promotion ? 4 : 1); ++i) {
            MakeSearchMove(fx, fy, tx, ty);
            if (promotion) board[tx][ty] = make_piece(side, kPromotions[i]);
            currentPlayer = opponent_of(side);
            count += perft(d - 1);
            state_put(&s);
        }
    }
    return count;
}
