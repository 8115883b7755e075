// The king-safety term of the static evaluation: how strongly the enemy
// pieces bear on the squares around a king.  Internal to core/eval; the
// public KingZonePenalty (core/quin_core.h) reads the board and asks the
// same function.
#pragma once

#include "core/eval/board_scan.h"

namespace eval_detail {

// King-zone penalty of the king on (kingX, kingY) attacked by `enemy`, on
// the board whose pieces `sets` holds.
double king_zone_penalty(const PieceSets &sets, int kingX, int kingY, int enemy, double phase,
                         double shield);

}  // namespace eval_detail
