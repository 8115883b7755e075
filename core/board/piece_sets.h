// Where the pieces stand as sets of squares, one bit per square numbered as
// core/board/geometry.h numbers them: every piece code's squares, each
// side's and all of them.  The board view (core/board/board_view.h) keeps
// them up to date move by move; the evaluation reads them afresh from the
// board or from a position key (core/eval/board_scan.h).
#pragma once

#include "core/types.h"

#include <cstdint>

// A plain aggregate: `PieceSets sets{}` starts empty, a bare `PieceSets
// sets;` is left for a loader to fill (the board view's copies stay cheap).
struct PieceSets {
    // The squares of each piece code.  byPiece[0] holds, in the evaluation's
    // reading only, the squares whose value names no piece (possible only on
    // a board written directly); the board view never fills it.
    uint64_t byPiece[kBlackOffset + kKing + 1];
    uint64_t bySide[3];  // [kWhite], [kBlack]: the squares of each side's pieces
    uint64_t occupied;   // the squares that hold a piece

    uint64_t of(int side, int type) const { return byPiece[make_piece(side, type)]; }
};
