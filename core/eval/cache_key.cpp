// The position key and square hash of the evaluation cache, shared with
// the move hash that lives in the same slots.
//
// Globals read: board (or a view's cells), the castling flags (whiteKingMoved .. blackRookHMoved),
// enPassantX, enPassantY.  Written: none.
#include "core/eval/cache_layout.h"

#include "core/eval/cache_key_simd.h"
#include "core/quin_core.h"

namespace {

inline unsigned char key_char(double v) {
    // Chr(): the low 8 bits of the value truncated to a 32-bit integer.
    return static_cast<unsigned char>(static_cast<int32_t>(v));
}

using cache_key_simd::read_squares;

}  // namespace

int64_t cache_position_key(unsigned char *key, double side, bool *exact) {
    bool smallCodes;
    return cache_position_key(key, side, exact, &smallCodes);
}

namespace {

// key[64..72]: the side to move, the castling flags and the en-passant square.
inline void put_key_state(unsigned char *key, double side) {
    key[64] = key_char(side + kKeyCharOffset);
    key[65] = key_char(whiteKingMoved + kKeyCharOffset);
    key[66] = key_char(blackKingMoved + kKeyCharOffset);
    key[67] = key_char(whiteRookAMoved + kKeyCharOffset);
    key[68] = key_char(whiteRookHMoved + kKeyCharOffset);
    key[69] = key_char(blackRookAMoved + kKeyCharOffset);
    key[70] = key_char(blackRookHMoved + kKeyCharOffset);
    key[71] = key_char(enPassantX + kKeyEnPassantOffset);
    key[72] = key_char(enPassantY + kKeyEnPassantOffset);
}

}  // namespace

int64_t cache_position_key(unsigned char *key, double side, bool *exact, bool *smallCodes) {
    uint64_t sum;
    const bool plain = read_squares(key, &sum, smallCodes);
    put_key_state(key, side);
    *exact = plain;
    if (plain) return static_cast<int64_t>(mod_prime(sum));
    int i = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) key[i++] = key_char(board[x][y] + kKeyCharOffset);
    return 0;
}

uint64_t cache_key_of_cells(const signed char *cells, unsigned char *key, double side) {
    const uint64_t sum = cache_key_simd::read_cells(cells, key);
    put_key_state(key, side);
    return sum;
}

void cache_key_chars_of(const signed char *cells, unsigned char *key, double side) {
    cache_key_simd::write_cell_chars(cells, key);
    put_key_state(key, side);
}

double cache_square_hash_in_doubles() {
    double hash = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) hash = Mod(hash * 131 + board[x][y] + 1, 2147483647);
    return hash;
}
