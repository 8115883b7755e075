// Perft: counts the leaves of the legal move tree, each promotion counted
// once per piece type.  The moves are those the tree search lists
// (core/board/legal_moves.h: the candidate windows, each candidate decided
// by the engine's move rules and legality test), so perft also proves the
// search's move generator.  The last ply is counted without playing its
// moves: the moves that the piece rules' set tests decide
// (core/board/legal_moves.h) are counted as sets, the pawns' all at once
// (on x86-64 with the POPCNT instruction when the processor has it), and
// every other candidate is decided by itself.
//
// The rules read an integer view of the board (core/board/board_view.h),
// loaded when perft starts and brought up to date on the squares each move
// changes: the piece rules, the attack test that tells whether the king
// stands in check and whether a king's step is safe, and the shield test.
// Debug builds check the view against the board at every node and each
// such answer against the engine's own test on the board.
//
// Globals: reads and writes `board` and the castling, en-passant and
// half-move globals through the move maker (do_move, undo_move); writes
// `currentPlayer`.
#include "core/board/board_view.h"
#include "core/board/geometry.h"
#include "core/board/legal_moves.h"
#include "core/board/legality.h"
#include "core/board/move_effects.h"
#include "core/compiler_hints.h"
#include "core/quin_core.h"
#include "core/types.h"
#include "frontend/quintar.h"

#include <cassert>
#include <initializer_list>

namespace {

// The last ply's count, once with the portable bit count and, on x86-64,
// once compiled for the processor's bit-count instruction, which perft
// takes when the processor has it (perftHardwareBitCount).
int count_last_ply_portable(const BoardView &v, int side) {
    return LegalMoves(v, side).count<PortableBitCount>();
}
#if QUIN_HAVE_POPCNT_TARGET
QUIN_POPCNT_TARGET int count_last_ply_popcnt(const BoardView &v, int side) {
    return LegalMoves(v, side).count<HardwareBitCount>();
}
#endif

using LastPlyCount = int (*)(const BoardView &, int);
LastPlyCount count_last_ply = count_last_ply_portable;

// The leaves of the legal move tree d plies deep (perft(d)) from the position
// on the board, of which v is the view.
uint64_t count_leaves(const BoardView &v, int d) {
    assert(v.in_step());
    if (d <= 0) return 1;
    const int side = static_cast<int>(currentPlayer);
    uint64_t count = 0;
    if (d == 1) return static_cast<uint64_t>(count_last_ply(v, side));
    // At most 218 legal moves stand in any position.
    Move moves[256];
    int n = 0;
    auto found = [&moves, &n](Move m) { moves[n++] = m; };
    LegalMoves(v, side).moves(found);
    static const int kPromotions[4] = {kRook, kKnight, kBishop, kQueen};
    for (int m = 0; m < n; ++m) {
        const bool promotion = moves[m].promotion != kEmpty;
        MoveEffects e = move_effects(v, moves[m].from, moves[m].to);
        for (int i = 0; i < (promotion ? 4 : 1); ++i) {
            if (promotion) e.promote_to(kPromotions[i]);
            BoardView after = v;
            MoveUndo undo;
            do_move(e, undo, after);
            currentPlayer = opponent_of(side);
            // The last ply is counted straight from here.
            count += d == 2 ? static_cast<uint64_t>(count_last_ply(after, opponent_of(side)))
                            : count_leaves(after, d - 1);
            undo_move(e, undo);
            currentPlayer = side;
            assert(v.in_step());
        }
    }
    return count;
}

}  // namespace

bool perftHardwareBitCount = true;

uint64_t perft(int d) {
    count_last_ply = count_last_ply_portable;
#if QUIN_HAVE_POPCNT_TARGET
    if (perftHardwareBitCount && cpu_has_popcount()) count_last_ply = count_last_ply_popcnt;
#endif
    BoardView v;
    v.load();
    return count_leaves(v, d);
}
