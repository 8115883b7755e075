// What the tree search's nodes share of the state stack beyond its
// SaveSearchState and RestoreSearchState.  Internal to core/tree.
#pragma once

#include "core/board/move_effects.h"

// Takes back the move `e`, played from the position the level's slot holds,
// as RestoreSearchState(level) would, when every deeper node has put the
// board back as it found it: only the move's squares differ from the slot, so
// only they are written back, with the castling flags, en passant and clock.
void take_back_search_move(const MoveEffects &e, int level);
