// The winning-king endgame term over material facts that a board scan
// gathers: the static evaluation collects them in its first pass,
// WinningKingEndgame in a scan of its own.
#pragma once

#include "core/types.h"

struct WinningKingMaterial {
    int whiteKingX = -1, whiteKingY = -1;  // -1 when the king is missing
    int blackKingX = -1, blackKingY = -1;
    int whiteOthers = 0, blackOthers = 0;  // pieces other than the king
    int whiteHeavy = 0, blackHeavy = 0;    // 1 when the side has a rook or a queen
};

// Counts a piece of type `type` (type_of its code) standing on (x, y);
// `white` when its code is White's (colour_of), else Black's.
inline void add_winning_king_piece(WinningKingMaterial &m, int x, int y, bool white, int type) {
    if (type == kKing) {
        (white ? m.whiteKingX : m.blackKingX) = x;
        (white ? m.whiteKingY : m.blackKingY) = y;
    } else if (white) {
        m.whiteOthers++;
        if (type == kRook || type == kQueen) m.whiteHeavy = 1;
    } else {
        m.blackOthers++;
        if (type == kRook || type == kQueen) m.blackHeavy = 1;
    }
}

// The term from White's point of view: positive when White is the side
// with the rook or queen against the bare king, negative for Black, else 0.
// Reads `board` (for the lone king's legal moves).
double winning_king_bonus(const WinningKingMaterial &m);
