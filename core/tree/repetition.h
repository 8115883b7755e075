// The repetition test of the search's own nodes: a node reached by a move
// of the search compares its key only with the positions it could repeat,
// and writes its key to its level's slot only when a deeper node could
// repeat it.  Internal to core/tree.
//
// A capture or pawn move can never be undone, so no position before it
// recurs after it: a node `clock` plies (the half-move clock) after the last
// such move can repeat only the path's positions since then, only those with
// the same side to move (every second level) and none of the last three (a
// position comes back four plies later at the earliest).  Its children
// reached by another capture or pawn move can never repeat it, so its key is
// needed in its slot only before its first other move; the slots of the
// nodes it could repeat were written on the same rule.  The counts are those
// of SearchPositionOccurrences on a path whose every level wrote its key.
#pragma once

#include "core/types.h"

// How often the position of a node at `level`, reached by the search's own
// move from `level - 1`, has stood on the board (SearchPositionOccurrences'
// count).  Writes the node's key to its slot when it has to compare it;
// `keyWritten` tells whether it did.
double ChildPositionOccurrences(int player, int level, bool &keyWritten);

// Whether such a node repeats a position and so scores a draw
// (IsSearchRepetition's answer).
bool ChildIsRepetition(int player, int level, bool &keyWritten);

// Whether the move leaves a key of its position behind to repeat: anything
// but a capture or a pawn move.
inline bool move_may_repeat(int movingType, int captured) {
    return movingType != kPawn && captured == kEmpty;
}

// Writes the key of the current position with `player` to move to the
// level's slot (a node whose key was not needed so far, before it plays a
// move that may be repeated).
void WriteSearchKey(int player, int level);

// Before a node at `level` plays a move of `movingType` taking `captured`:
// writes its key if the move may be repeated and the key is not written yet.
inline void key_before_move(int player, int level, int movingType, int captured, bool &keyWritten) {
    if (keyWritten || !move_may_repeat(movingType, captured)) return;
    WriteSearchKey(player, level);
    keyWritten = true;
}
