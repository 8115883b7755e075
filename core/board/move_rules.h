// The move tests of core/board/move_validation.cpp in whole-number form, for
// loops that try many candidates of one position (perft): the same tests as
// IsBasicMoveValid, IsMoveValidKnownKing and PieceShieldsKing, without the
// conversions to and from doubles.  A king position is x * 10 + y, -1 for
// no king, as FindKing gives it.
#pragma once

// The piece rules alone (IsBasicMoveValid).
bool piece_rules_allow(int fx, int fy, int tx, int ty);

// Full legality with the mover's king known (IsMoveValidKnownKing).
bool move_legal_known_king(int fx, int fy, int tx, int ty, int kingPos, bool kingAttacked);

// Whether the piece shields its king from an enemy slider (PieceShieldsKing).
bool piece_shields_king(int fx, int fy, int kingPos);
