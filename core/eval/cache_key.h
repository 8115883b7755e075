// The evaluation cache's position key: one character per square,
// Chr(code + 65) in board-scan order (a8 to h1), then Chr(side + 65), the six
// castling flags + 65 and the en-passant square + 66; 73 bytes, no
// terminator.  The slot index comes from a hash over the squares only.
#pragma once

#include <cstdint>

// Writes the key of the current position with `side` as its side character
// into key[0..72] and returns the square hash.  Sets *exact to false when a
// square holds something other than a piece code; the hash must then be
// taken with cache_square_hash_in_doubles.
int64_t cache_position_key(unsigned char *key, double side, bool *exact);

// The square hash taken step by step in doubles, for boards holding odd values.
double cache_square_hash_in_doubles();
