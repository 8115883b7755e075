// Byte layout of the evaluation cache (block 905, shared with the move hash)
// and of the pawn cache (block 906), and the evaluation cache's position key.
//
// The position key: one character per square,
// Chr(code + 65) in board-scan order (a8 to h1), then Chr(side + 65), the six
// castling flags + 65 and the en-passant square + 66; 73 bytes, no
// terminator.  The slot index comes from a hash over the squares only.
#pragma once

#include <cstdint>

constexpr int kEvalBlock = 905;      // evaluation cache and move hash
constexpr int kSlotBytes = 128;      // one slot per position
constexpr int kKeyBytes = 73;        // key at byte 1, state at byte 0
constexpr int kMoveFlagOffset = 84;  // move-hash entry valid
constexpr int kPawnBlock = 906;      // pawn cache

// Unsigned 32-bit numbers are stored little-endian on every host, as
// peek_n and poke_n read and write them.
inline uint32_t read_le32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void write_le32(unsigned char *p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Writes the key of the current position with `side` as its side character
// into key[0..72] and returns the square hash.  Sets *exact to false when a
// square holds something other than a piece code; the hash must then be
// taken with cache_square_hash_in_doubles.
int64_t cache_position_key(unsigned char *key, double side, bool *exact);

// The square hash taken step by step in doubles, for boards holding odd values.
double cache_square_hash_in_doubles();
