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

// Horner hash of 64 square terms (each the square's code + 1) modulo
// 2^31 - 1.  Reducing after every fourth square gives the same remainder as
// reducing after every square, since all terms are non-negative and
// h * 131^4 stays far below 2^63 for h < 2^31.
inline uint64_t mod_prime(uint64_t v) {
    // v mod (2^31 - 1) by folding the high bits onto the low ones.
    constexpr uint64_t kPrime = 2147483647;
    v = (v & kPrime) + (v >> 31);
    v = (v & kPrime) + (v >> 31);
    return v >= kPrime ? v - kPrime : v;
}

inline int64_t square_hash(const int64_t *terms) {
    uint64_t hash = 0;
    for (int i = 0; i < 64; i += 4) {
        const uint64_t block = static_cast<uint64_t>(
            ((terms[i] * 131 + terms[i + 1]) * 131 + terms[i + 2]) * 131 + terms[i + 3]);
        hash = mod_prime(hash * (131ULL * 131 * 131 * 131) + block);
    }
    return static_cast<int64_t>(hash);
}

}  // namespace

int64_t cache_position_key(unsigned char *key, double side, bool *exact) {
    int64_t terms[64];
    bool plain = true;
    int i = 0;
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) {
            const double piece = board[x][y];
            const int64_t code = static_cast<int64_t>(piece);
            plain &=
                (static_cast<uint64_t>(code + 1) < 4097) & (static_cast<double>(code) == piece);
            terms[i] = code + 1;
            key[i++] = static_cast<unsigned char>(code + 65);  // Chr(piece + 65) for whole codes
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
    *exact = plain;
    if (plain) return square_hash(terms);
    i = 0;
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
