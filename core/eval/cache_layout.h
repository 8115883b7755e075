// Byte layout of the evaluation cache (block 905, shared with the move hash)
// and of the pawn cache (block 906), and the evaluation cache's position key.
// Every offset into either block is named here and nowhere else.
//
// The position key: one character per square,
// Chr(code + 65) in board-scan order (a8 to h1), then Chr(side + 65), the six
// castling flags + 65 and the en-passant square + 66; 73 bytes, no
// terminator.  The slot index comes from a hash over the squares only.
#pragma once

#include "core/board/geometry.h"
#include "core/board/move_effects.h"
#include "core/types.h"

struct PieceSets;

#include <cstdint>

// The key's characters: Chr(value + kKeyCharOffset) for a square, the side
// and a castling flag; Chr(value + kKeyEnPassantOffset) for a coordinate of
// the en-passant square (-1 for none).
constexpr int kKeyCharOffset = 65;
constexpr int kKeyEnPassantOffset = 66;

// ------------------------------------------- evaluation cache, block 905
// One 128-byte slot per position, little-endian as peek_n/poke_n use it:
//   0       state: kSlotEmpty (or being written), kSlotScored (key and score
//           valid), kSlotMoveOnly (key valid without score; claimed by the
//           move hash)
//   1..73   position key, no terminator
//   74..79  not used (zero)
//   80..83  score + kScoreBias, unsigned 32-bit
//   84      move-hash entry valid (1) or not (0)
//   85..87  not used
//   88..91  move code + 1, unsigned 32-bit (1 to 4096)
//   92..127 not used
constexpr int kEvalBlock = 905;
constexpr int kSlotBytes = 128;
constexpr int kStateOffset = 0;
constexpr int kKeyOffset = 1;
constexpr int kKeyBytes = 73;
constexpr int kScoreOffset = 80;
constexpr int kMoveFlagOffset = 84;
constexpr int kMoveCodeOffset = 88;

constexpr unsigned char kSlotEmpty = 0;
constexpr unsigned char kSlotScored = 1;
constexpr unsigned char kSlotMoveOnly = 2;

// Scores are stored biased so that every score (all lie above
// -kInfiniteScore) fits an unsigned word.
constexpr double kScoreBias = kInfiniteScore;

// ------------------------------------------------ pawn cache, block 906
// 128 slots of 336 bytes, one per pawn configuration:
//   0        state: 0 empty or being written, 1 feature words valid
//   1..64    pawn key: Chr(65 + pawn code) per square (empty and non-pawn
//            squares give Chr(65)), no terminator
//   65..79   not used
//   80..335  64 feature words of 4 bytes, unsigned little-endian; the word
//            of square s = y * 8 + x is at 80 + s * 4 and is used only where
//            a pawn stands
constexpr int kPawnBlock = 906;
constexpr int kPawnSlots = 128;
constexpr int kPawnSlotBytes = 336;
constexpr int kPawnStateOffset = 0;
constexpr int kPawnKeyOffset = 1;
constexpr int kPawnKeyBytes = 64;
constexpr int kPawnWordsOffset = 80;
constexpr int kPawnWordBytes = 4;
constexpr int kPawnCacheBytes = kPawnSlots * kPawnSlotBytes;  // 43008

// A pawn's feature word: sameFile + 16 * neighbours + 256 * passed +
// 512 * connected + 1024 * supported (the counts below 16, the rest 0 or 1).
constexpr uint32_t kWordNeighbours = 16;
constexpr uint32_t kWordPassed = 256;
constexpr uint32_t kWordConnected = 512;
constexpr uint32_t kWordSupported = 1024;

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

// ------------------------------------------------------- square hashes
// The evaluation cache and the pawn cache index their slots by Horner's rule
// over 64 square terms (a square's code + 1; pawn codes only for the pawn
// cache) modulo 2^31 - 1, in board-scan order.  That is the linear form
// sum(term[s] * 131^(63 - s)), so the powers are tabled and the squares can
// be summed in any order; the unreduced sum stays below 2^49 for terms up to
// 4096 and is reduced once with mod_prime.
constexpr uint64_t kHashPrime = 2147483647;

struct SquarePowers {
    uint64_t p[64];
    uint64_t sum;  // sum of all powers: the hash part of 64 empty squares
    constexpr SquarePowers() : p(), sum(0) {
        uint64_t power = 1;
        for (int s = 63; s >= 0; s--) {
            p[s] = power;
            sum += power;
            power = power * 131 % kHashPrime;
        }
    }
};

inline constexpr SquarePowers kSquarePowers;

// v mod (2^31 - 1) by folding the high bits onto the low ones.
inline uint64_t mod_prime(uint64_t v) {
    v = (v & kHashPrime) + (v >> 31);
    v = (v & kHashPrime) + (v >> 31);
    return v >= kHashPrime ? v - kHashPrime : v;
}

// hash % slots for a square hash (below 2^31) and a positive slot count: a
// mask for the power-of-two counts the cache sizes give, else in 32 bits, a
// quicker division, whenever the count fits.
inline int64_t slot_index(int64_t hash, int64_t slots) {
    if ((slots & (slots - 1)) == 0 && hash >= 0) return hash & (slots - 1);
    if (slots <= INT64_C(0xFFFFFFFF) && hash >= 0 && hash <= INT64_C(0xFFFFFFFF))
        return static_cast<uint32_t>(hash) % static_cast<uint32_t>(slots);
    return hash % slots;
}

// Writes the key of the current position with `side` as its side character
// into key[0..72] and returns the square hash.  Sets *exact to false when a
// square holds something other than a piece code; the hash must then be
// taken with cache_square_hash_in_doubles.
int64_t cache_position_key(unsigned char *key, double side, bool *exact);

// The key and square hash of the current position as above, also telling in
// *smallCodes whether every square's code (the value truncated to an integer)
// lies between -1 and 254, so that the key's square characters name the codes
// one to one.
int64_t cache_position_key(unsigned char *key, double side, bool *exact, bool *smallCodes);

// The key of the position a board view's cells show (piece codes 0 to 16, in
// step with the board): the key is exact and its square characters name the
// codes.  Returns the unreduced square sum, whose mod_prime is the hash.
uint64_t cache_key_of_cells(const signed char *cells, unsigned char *key, double side);

// The key alone, for cells whose square sum is known.
void cache_key_chars_of(const signed char *cells, unsigned char *key, double side);

// The sums that a position's cache keys and its phase are made of, which
// a move changes only on the squares it writes: the unreduced square sum
// of the evaluation cache (hash = mod_prime(squares)), the unreduced pawn
// hash sum of the pawn cache, and the phase material (the rooks', knights',
// bishops' and queens' values, both sides together).
struct KeySums {
    uint64_t squares = 0;
    uint64_t pawns = 0;
    int phase = 0;
};

// By piece code (0 to 16): the code's term in the pawn hash (its code for a
// pawn, else 0) and its phase material.
struct CodeTerms {
    int pawnCode[kBlackOffset + kKing + 1];
    int phase[kBlackOffset + kKing + 1];
    constexpr CodeTerms() : pawnCode(), phase() {
        for (int side = kWhite; side <= kBlack; side++) {
            pawnCode[make_piece(side, kPawn)] = make_piece(side, kPawn);
            for (int type = kRook; type <= kQueen; type++)
                phase[make_piece(side, type)] = kPieceValue[type];
        }
    }
};
inline constexpr CodeTerms kCodeTerms;

// The sums after the move `e` from a position whose sums are `sums`: each
// square the move writes changes its terms by the difference of its codes'
// (the hash sums wrap modulo 2^64 in between and end where fresh sums
// would).  The move's codes are piece codes (0 to 16).
inline KeySums key_sums_after(KeySums sums, const MoveEffects &e) {
    for (int i = 0; i < e.count; ++i) {
        const SquareChange &c = e.change[i];
        const uint64_t power = kSquarePowers.p[square_of(c.x, c.y)];
        sums.squares += static_cast<uint64_t>(int64_t{c.after} - c.before) * power;
        sums.pawns +=
            static_cast<uint64_t>(kCodeTerms.pawnCode[c.after] - kCodeTerms.pawnCode[c.before]) *
            power;
        sums.phase += kCodeTerms.phase[c.after] - kCodeTerms.phase[c.before];
    }
    return sums;
}

// The static score of the current position (EvaluateBoardUncached's) read
// from the square characters of its key (key[0..63], written by
// cache_position_key with *smallCodes set) instead of the board.
double evaluate_board_from_key(const unsigned char *key);

// The static score of the current position (EvaluateBoardUncached's) from the
// piece sets of the board (a board view's, in step with it, when every square
// holds a piece code or nothing), and with `known` (or null) its pawn hash
// sum and phase material.
double evaluate_board_from_sets(const PieceSets &sets, const KeySums *known = nullptr);

// Where a position's evaluation lies in the cache: its sums, square hash
// and slot, worked out ahead of the cache probe (a parent works them out
// for its child from the move).
struct EvalKeyPlace {
    KeySums sums;  // hash = mod_prime(sums.squares)
    int64_t hash = 0;
    int64_t slots = 0;   // the cache's slot count when the place was worked out
    int64_t index = -1;  // hash % slots, -1 when the count is no whole number above 0
};

// A board view's evaluation key and its place.
struct BoardView;
struct ViewEvalKey : EvalKeyPlace {
    unsigned char key[kKeyBytes];
};

// Writes the key of the view's position (cache_key_of_cells) and starts
// loading its cache slot, so that the probe a little later finds it near.
void prepare_view_eval(const BoardView &view, ViewEvalKey &prepared);

// Writes the key of a view's position whose place `place` is known
// (prefetch_view_eval_after's).
void prepare_view_eval_known(const BoardView &view, const EvalKeyPlace &place,
                             ViewEvalKey &prepared);

// The place of the position the move `e` leads to, from the sums `before`
// of the position it is played in; its cache slot starts loading while the
// move is still being made.
EvalKeyPlace prefetch_view_eval_after(const KeySums &before, const MoveEffects &e);

// The sums of the position a board view shows.
KeySums key_sums_of_view(const BoardView &view);

// The score of the position a board view shows (EvaluateBoard's, the view in
// step with the board), with the key prepare_view_eval wrote for it: the
// cache key and the piece sets are taken from the view.
double evaluate_prepared_view(const BoardView &view, const ViewEvalKey &prepared);

// The square hash taken step by step in doubles, for boards holding odd values.
double cache_square_hash_in_doubles();
