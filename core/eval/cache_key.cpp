// The position key and square hash of the evaluation cache, shared with
// the move hash that lives in the same slots.
//
// Globals read: board, the castling flags (whiteKingMoved .. blackRookHMoved),
// enPassantX, enPassantY.  Written: none.
#include "core/eval/cache_layout.h"

#include "core/quin_core.h"

namespace {

inline unsigned char key_char(double v) {
    // Chr(): the low 8 bits of the value truncated to a 32-bit integer.
    return static_cast<unsigned char>(static_cast<int32_t>(v));
}

}  // namespace

int64_t cache_position_key(unsigned char *key, double side, bool *exact) {
    // Files in memory order (board[x][0..7] are adjacent).  A square is plain
    // when it holds a whole code from -1 to 4094: the terms' bits then stay
    // within the low 12, which one OR over all squares checks.  (A code of
    // 4095 also counts as a piece code but takes the slower exact path.)
    bool whole = true;
    uint64_t termBits = 0, sum = 0;
    for (int x = 0; x < 8; x++) {
        const double *file = board[x];
        for (int y = 0; y < 8; y++) {
            const double piece = file[y];
            const int64_t code = static_cast<int64_t>(piece);
            const uint64_t term = static_cast<uint64_t>(code + 1);
            whole &= static_cast<double>(code) == piece;
            termBits |= term;
            sum += term * kSquarePowers.p[y * 8 + x];
            key[y * 8 + x] = static_cast<unsigned char>(code + 65);  // Chr(piece + 65)
        }
    }
    key[64] = key_char(side + 65);
    key[65] = key_char(whiteKingMoved + 65);
    key[66] = key_char(blackKingMoved + 65);
    key[67] = key_char(whiteRookAMoved + 65);
    key[68] = key_char(whiteRookHMoved + 65);
    key[69] = key_char(blackRookAMoved + 65);
    key[70] = key_char(blackRookHMoved + 65);
    key[71] = key_char(enPassantX + 66);
    key[72] = key_char(enPassantY + 66);
    const bool plain = whole && (termBits >> 12) == 0;
    *exact = plain;
    if (plain) return static_cast<int64_t>(mod_prime(sum));
    int i = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) key[i++] = key_char(board[x][y] + 65);
    return 0;
}

double cache_square_hash_in_doubles() {
    double hash = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) hash = Mod(hash * 131 + board[x][y] + 1, 2147483647);
    return hash;
}
