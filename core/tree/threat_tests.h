// The tactical threat tests on the integer view of the board: which pieces
// a fork can hit, and from which squares a pawn forks two of them.  The
// quiet search's nodes (core/tree/quiet_node.h) and passes ask these; the
// double-board tests of threat_tests.cpp (PawnForkTargets,
// HasPawnForkThreat) answer the same questions for the Debug checks and
// the tests.  Internal to core/tree.
#pragma once

#include "core/board/board_view.h"
#include "core/board/geometry.h"
#include "core/types.h"

#include <cstdint>

// The rooks, knights, bishops and queens of `side`: the pieces a fork can
// hit (pawns and kings never count).
inline uint64_t fork_targets_of(const BoardView &v, int side) {
    return v.byPiece[make_piece(side, kRook)] | v.byPiece[make_piece(side, kKnight)] |
           v.byPiece[make_piece(side, kBishop)] | v.byPiece[make_piece(side, kQueen)];
}

// The squares from which a pawn of `side` on files b to g attacks two of
// the other side's fork targets: a White pawn on square s attacks the
// squares s - 9 and s - 7, a Black pawn s + 7 and s + 9.  The answer of
// PawnForkTargets for every square at once.
inline uint64_t pawn_fork_squares(const BoardView &v, int side) {
    const uint64_t t = fork_targets_of(v, opponent_of(side));
    return (side == kWhite ? (t << 9) & (t << 7) : (t >> 7) & (t >> 9)) & kInnerFiles;
}
