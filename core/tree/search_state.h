// What the tree search's nodes share of the state stack beyond its
// SaveSearchState and RestoreSearchState.  Internal to the core's searches
// (core/tree and the root search).
#pragma once

#include "core/board/move_effects.h"

// Takes back the move `e` that do_move made with `undo`, played from the position the
// level's slot holds: undo_move, which writes back only the move's squares
// and the side state before it, gives the position RestoreSearchState(level)
// would give when every deeper node has put the board back as it found it
// (Debug builds compare the two).
void take_back_search_move(const MoveEffects &e, const MoveUndo &undo, int level);
