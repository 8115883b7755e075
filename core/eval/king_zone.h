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

// The same penalty for the evaluation's arguments: a phase from 0 to
// kFullPhase and a shield of 0 to 3 pawns, for which it is worked out in
// whole numbers.
int king_zone_penalty_whole(const PieceSets &sets, int kingX, int kingY, int enemy, int phase,
                            int shield);

}  // namespace eval_detail
