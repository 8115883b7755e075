// The pawn-structure terms of the static evaluation and the pawn cache
// (block 906) that keeps each pawn's features for a pawn configuration
// seen before.  Internal to core/eval.
#pragma once

#include "core/board/geometry.h"
#include "core/compiler_hints.h"
#include "core/eval/board_scan.h"
#include "core/eval/cache_layout.h"
#include "core/eval/eval_terms.h"
#include "core/types.h"

#include <cstdint>

namespace eval_detail {

// Looks the pawn configuration of `sets` up.  A miss claims the slot at once
// (state 0, the new key); the caller marks it valid once the feature words
// are in.
void probe_pawn_cache(PawnCacheProbe &pawns, const PieceSets &sets);

// Pawns on d4, e4, d5 and e5 (the same squares from either side's view).
constexpr uint64_t kCentralPawnSquares = bit_at(3, 3) | bit_at(4, 3) | bit_at(3, 4) | bit_at(4, 4);

// The five pawn-structure features of one pawn.
struct PawnFeatures {
    int sameFile;    // own pawns on the file, this one included
    int neighbours;  // own pawns on the adjacent files
    int passed;      // no enemy pawn ahead on this or an adjacent file
    int connected;   // an own pawn on an adjacent file at most one rank away
    int supported;   // an own pawn on an adjacent file on the rank behind
};

// The features of the pawn on (x, y): read from its cache word on a hit,
// otherwise found from the pawn files and written to the word (cache on).
QUIN_ALWAYS_INLINE PawnFeatures pawn_features(const BoardScan &scan, PawnCacheProbe &pawns, int x,
                                              int y, bool white) {
    PawnFeatures f;
    unsigned char *word =
        pawns.slot ? pawns.slot + kPawnWordsOffset + square_of(x, y) * kPawnWordBytes : nullptr;
    if (pawns.hit) {
        const uint32_t v = read_le32(word);
        f.sameFile = v % kWordNeighbours;
        f.neighbours = (v / kWordNeighbours) % 16;
        f.passed = (v / kWordPassed) % 2;
        f.connected = (v / kWordConnected) % 2;
        f.supported = (v / kWordSupported) % 2;
        return f;
    }
    const unsigned *own = white ? scan.whitePawns : scan.blackPawns;
    const unsigned *enemy = white ? scan.blackPawns : scan.whitePawns;
    const unsigned left = own[x], right = own[x + 2];
    const unsigned sides = left | right;
    f.sameFile = popcount8(own[x + 1]);
    f.neighbours = popcount8(left) + popcount8(right);
    f.connected = (sides & (((7u << y) >> 1) & 0xFFu)) != 0;
    const int supportY = white ? y + 1 : y - 1;
    f.supported = supportY >= 0 && supportY < 8 && ((sides >> supportY) & 1u);
    // Enemy pawns ahead on this file or the adjacent ones (smaller y for
    // White, larger y for Black).
    const unsigned ahead = white ? ((1u << y) - 1u) : (0xFFu & ~((2u << y) - 1u));
    f.passed = ((enemy[x] | enemy[x + 1] | enemy[x + 2]) & ahead) == 0;
    if (f.neighbours > 15) pawns.wordsFit = false;
    if (word) {
        write_le32(word, static_cast<uint32_t>(f.sameFile) + kWordNeighbours * f.neighbours +
                             kWordPassed * f.passed + kWordConnected * f.connected +
                             kWordSupported * f.supported);
    }
    return f;
}

// One pawn's value as its whole-number parts, in the order they are added.
struct PawnTerms {
    int base;      // square, central bonus
    int sameFile;  // the doubled term is -12 (sameFile - 1) / sameFile
    int isolated;  // 0 or -15
    int passed;    // the passed-pawn terms, each 0 when not passed
    int connected;
    int supported;
    int kingBonus;
};

// The doubled-pawn term of a pawn with `sameFile` own pawns on its file is
// a whole number for these counts (0 and 1 have none), a fraction otherwise.
constexpr unsigned kWholeDoubledCounts = 1u << 0 | 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4 | 1u << 6;

inline bool doubled_is_whole(int sameFile) { return (kWholeDoubledCounts >> sameFile) & 1u; }

// The value as a whole number, for a pawn whose doubled term is whole.
inline int pawn_value_whole(const PawnTerms &t) {
    const int doubled = t.sameFile > 1 ? -12 * (t.sameFile - 1) / t.sameFile : 0;
    return t.base + doubled + t.isolated + t.passed + t.connected + t.supported + t.kingBonus;
}

// The value summed term by term in doubles, fractions and all.
// (A term that does not apply is 0, and adding 0 leaves the double as it is.)
inline double pawn_value_exact(const PawnTerms &t) {
    double value = t.base;
    if (t.sameFile > 1) value += -12.0 * (t.sameFile - 1) / t.sameFile;
    value += t.isolated;
    value += t.passed;
    value += t.connected;
    value += t.supported;
    value += t.kingBonus;
    return value;
}

// The passer on (x, y) gains in the endgame when its own king stands nearer
// to it than the enemy king (Manhattan distances; both kings on the board).
inline int king_pawn_bonus(const WinningKingMaterial &m, const PhaseTerms &terms, int x, int y,
                           bool white) {
    const int whiteDistance = iabs(m.whiteKingX - x) + iabs(m.whiteKingY - y);
    const int blackDistance = iabs(m.blackKingX - x) + iabs(m.blackKingY - y);
    const int ownDistance = white ? whiteDistance : blackDistance;
    const int enemyDistance = white ? blackDistance : whiteDistance;
    const int bonus = (enemyDistance - ownDistance) * 4 * terms.endgameWeight / kFullPhase;
    return bonus < -24 ? -24 : bonus > 24 ? 24 : bonus;
}

QUIN_ALWAYS_INLINE PawnTerms pawn_terms(const BoardScan &scan, const PhaseTerms &terms,
                                        PawnCacheProbe &pawns, int s, bool white) {
    const int x = square_x(s), y = square_y(s);
    const int rank = white ? 7 - y : y;
    const PawnFeatures f = pawn_features(scan, pawns, x, y, white);
    PawnTerms t{};
    t.base = kSquareValues.value[make_piece(white ? kWhite : kBlack, kPawn)][s];
    if ((kCentralPawnSquares >> s) & 1u) t.base += terms.centralPawnBonus;
    t.sameFile = f.sameFile;
    if (f.neighbours == 0) t.isolated = -15;
    if (f.passed) {
        const int r2 = rank * rank;
        t.passed = 2 * r2 + (3 * r2 * terms.endgameWeight) / kFullPhase;
        if (f.connected) t.connected = 8 + 2 * rank;
        if (f.supported) t.supported = 2 * rank + 10;
        if (terms.bothKings) t.kingBonus = king_pawn_bonus(scan.material, terms, x, y, white);
    }
    return t;
}

// The pawn-structure features of all the pawns of one side at once, as
// sets of squares, and the sums of the whole-number parts that do not depend
// on the phase.
struct SidePawns {
    uint64_t pawns;
    uint64_t isolated;   // no own pawn on an adjacent file
    uint64_t passed;     // no enemy pawn ahead on this or an adjacent file
    uint64_t connected;  // an own pawn on an adjacent file at most one rank away
    uint64_t supported;  // an own pawn on an adjacent file on the rank behind
    int base;            // the pawns' square values
    int doubled;         // their doubled-pawn terms
};

// The doubled-pawn term of a pawn with `sameFile` own pawns on its file,
// for the counts where it is whole (0 elsewhere; see doubled_is_whole).
struct DoubledTerms {
    int term[16];
    constexpr DoubledTerms() : term() {
        for (int n = 2; n < 16; n++) term[n] = -12 * (n - 1) / n;
    }
};
constexpr DoubledTerms kDoubledTerms;

// The features of the pawns of `side`: from the cache words on a hit,
// otherwise from the pawn sets (and, with the cache on, written to the
// words).  False when a pawn's doubled-pawn term is not a whole number; the
// caller then values the pawns one by one.
QUIN_ALWAYS_INLINE bool side_pawns(const BoardScan &scan, PawnCacheProbe &pawns, int side,
                                   SidePawns &p) {
    const bool white = side == kWhite;
    const uint64_t own = scan.sets.of(side, kPawn);
    const int code = make_piece(side, kPawn);
    unsigned char *words = pawns.slot ? pawns.slot + kPawnWordsOffset : nullptr;
    p.pawns = own;
    p.base = 0;
    p.doubled = 0;
    unsigned whole = 1;
    if (pawns.hit) {
        uint64_t isolated = 0, passed = 0, connected = 0, supported = 0;
        for (uint64_t rest = own; rest;) {
            const int s = pop_lsb(rest);
            const uint32_t v = read_le32(words + s * kPawnWordBytes);
            const int sameFile = v % kWordNeighbours;
            const uint64_t bit = square_bit(s);
            if ((v / kWordNeighbours) % 16 == 0) isolated |= bit;
            if ((v / kWordPassed) % 2) passed |= bit;
            if ((v / kWordConnected) % 2) connected |= bit;
            if ((v / kWordSupported) % 2) supported |= bit;
            whole &= kWholeDoubledCounts >> sameFile;
            p.doubled += kDoubledTerms.term[sameFile];
            p.base += kSquareValues.value[code][s];
        }
        p.isolated = isolated;
        p.passed = passed;
        p.connected = connected;
        p.supported = supported;
        return whole & 1u;
    }
    const uint64_t enemy = scan.sets.of(opponent_of(side), kPawn);
    const uint64_t files = north_fill(south_fill(own));
    p.isolated = own & ~(shift_west(files) | shift_east(files));
    // Enemy pawns' files and the files beside them, filled toward the pawns
    // they stop: an own pawn behind such a square (larger y for White,
    // smaller for Black) is not passed.
    const uint64_t guarded = enemy | shift_west(enemy) | shift_east(enemy);
    p.passed = own & ~(white ? south_fill(guarded << 8) : north_fill(guarded >> 8));
    // Squares beside an own pawn on the same rank.
    const uint64_t beside = shift_west(own) | shift_east(own);
    p.connected = own & (beside | beside << 8 | beside >> 8);
    p.supported = own & (white ? beside >> 8 : beside << 8);

    const unsigned *ranks = white ? scan.whitePawns : scan.blackPawns;
    int count[10];
    for (int i = 0; i < 10; i++) count[i] = kByteBits.count[ranks[i]];
    for (uint64_t rest = own; rest;) {
        const int s = pop_lsb(rest);
        const int x = square_x(s);
        const int sameFile = count[x + 1];
        const int neighbours = count[x] + count[x + 2];
        whole &= kWholeDoubledCounts >> sameFile;
        p.doubled += kDoubledTerms.term[sameFile];
        p.base += kSquareValues.value[code][s];
        if (neighbours > 15) pawns.wordsFit = false;
        if (words) {
            write_le32(words + s * kPawnWordBytes, static_cast<uint32_t>(sameFile) +
                                                       kWordNeighbours * neighbours +
                                                       kWordPassed * ((p.passed >> s) & 1u) +
                                                       kWordConnected * ((p.connected >> s) & 1u) +
                                                       kWordSupported * ((p.supported >> s) & 1u));
        }
    }
    return whole & 1u;
}

// What a pawn-cache slot's feature words say of both sides' pawns, as
// side_pawns reads them on a hit: kept beside the slot so that a hit need
// not read the words pawn by pawn, nor the slot's key (a memo that holds
// for the probed pawns says the slot is valid and keyed by them).  It is
// taken on a hit, or on the miss that writes the slot's words (they then
// say what the fresh features say), and stands for the slot while the slot
// keeps the same pawns and nothing else has written to block 906: a miss
// that claims the slot drops it, and a write through the memory layer
// (memory_writes) makes it stale.
struct PawnMemo {
    bool valid = false;
    uint64_t writes = 0;     // memory_writes[kPawnBlock] when it was taken
    uint64_t pawns[3] = {};  // by side: the pawns it was taken for
    SidePawns side[3];

    // Whether it stands for its slot holding these pawns.
    bool holds(uint64_t white, uint64_t black) const {
        return valid && writes == memory_writes[kPawnBlock] && pawns[kWhite] == white &&
               pawns[kBlack] == black;
    }
};
extern PawnMemo pawnMemo[kPawnSlots];

// The pawn terms of both sides (side_pawns for each; false when a
// doubled-pawn term is not whole): from the slot's memo when the probe's
// hit was the memo's, else from the words or afresh (and then remembered).
inline bool both_side_pawns(const BoardScan &scan, PawnCacheProbe &pawns, SidePawns *sides) {
    if (pawns.memoHit) {
        const PawnMemo &memo = pawnMemo[pawns.slotIndex];
        sides[kWhite] = memo.side[kWhite];
        sides[kBlack] = memo.side[kBlack];
        return true;
    }
    const uint64_t white = scan.sets.of(kWhite, kPawn), black = scan.sets.of(kBlack, kPawn);
    const bool whole = side_pawns(scan, pawns, kWhite, sides[kWhite]) &&
                       side_pawns(scan, pawns, kBlack, sides[kBlack]);
    // Only whole terms are remembered (the other case is valued pawn by
    // pawn anyway), and after a miss only words that the slot will keep
    // (the caller marks it valid when they fit).
    if (whole && pawns.slot != nullptr && (pawns.hit || pawns.wordsFit)) {
        PawnMemo &memo = pawnMemo[pawns.slotIndex];
        memo.valid = true;
        memo.writes = memory_writes[kPawnBlock];
        memo.pawns[kWhite] = white;
        memo.pawns[kBlack] = black;
        memo.side[kWhite] = sides[kWhite];
        memo.side[kBlack] = sides[kBlack];
    }
    return whole;
}

// The value of the pawns of `side`, whose doubled-pawn terms are all whole,
// as one whole number: the same as the sum of their pawn_value_whole.
inline int side_pawn_value(const BoardScan &scan, const PhaseTerms &terms, const SidePawns &p,
                           int side) {
    const bool white = side == kWhite;
    int sum = p.base + p.doubled - 15 * count_bits(p.isolated) +
              terms.centralPawnBonus * count_sparse(p.pawns & kCentralPawnSquares);
    for (uint64_t rest = p.passed; rest;) {
        const int s = pop_lsb(rest);
        const int x = square_x(s), y = square_y(s);
        const int rank = white ? 7 - y : y;
        const int r2 = rank * rank;
        sum += 2 * r2 + (3 * r2 * terms.endgameWeight) / kFullPhase;
        if ((p.connected >> s) & 1u) sum += 8 + 2 * rank;
        if ((p.supported >> s) & 1u) sum += 2 * rank + 10;
        if (terms.bothKings) sum += king_pawn_bonus(scan.material, terms, x, y, white);
    }
    return sum;
}

}  // namespace eval_detail
