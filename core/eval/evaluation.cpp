// Static evaluation: material, piece placement, pawn structure, king safety
// and the winning-king endgame term, summed from White's point of view.
//
// The board is read once into integer codes, which are sorted into one
// occupancy set per piece code (core/eval/board_scan.h).  Everything else
// works on those sets: the material phase and king squares, per-file pawn
// masks and the pawn-cache key, the values of the pieces (whole numbers from
// tables of square values, summed in integers; the pawns' in
// core/eval/pawn_terms.h), and the king-zone attacks (core/eval/king_zone.h).
// Pawn-structure features come from the pawn cache (block 906) when the same
// pawn configuration has been seen before.  This file sums the piece terms.
// Nothing here allocates or formats.
//
// Globals read: board, pawnCacheEnabled, pawnCacheReady, memory/memory_size
// of block 906.  Written: pawnCacheHits, pawnCacheMisses, the pawn cache
// (block 906; InitPawnCache on first use).
#include "core/quin_core.h"
#include "core/board/geometry.h"
#include "core/eval/board_scan.h"
#include "core/eval/cache_layout.h"
#include "core/eval/eval_terms.h"
#include "core/eval/king_zone.h"
#include "core/eval/pawn_terms.h"
#include "core/eval/winning_king.h"

#include <cstdint>
#include <initializer_list>

namespace {

using namespace eval_detail;

// Rook on the file of `fileBit`: +12 on a half-open file, +22 on an open one.
inline int rook_file_bonus(unsigned fileBit, unsigned ownPawnFiles, unsigned enemyPawnFiles) {
    if (ownPawnFiles & fileBit) return 0;
    return (enemyPawnFiles & fileBit) ? 12 : 22;
}

// Own pawns in front of a king (the three squares one rank ahead), by side
// and square.
struct ShieldSquares {
    uint64_t squares[3][64];
    constexpr ShieldSquares() : squares() {
        for (int s = 0; s < 64; s++) {
            const int x = square_x(s), y = square_y(s);
            squares[kWhite][s] = bit_at(x - 1, y - 1) | bit_at(x, y - 1) | bit_at(x + 1, y - 1);
            squares[kBlack][s] = bit_at(x - 1, y + 1) | bit_at(x, y + 1) | bit_at(x + 1, y + 1);
        }
    }
};

constexpr ShieldSquares kShield;

// The kings' material: 20000 each, cancelling while both stand.
constexpr int kKingMaterial = 20000;

int king_value(const BoardScan &scan, const PhaseTerms &terms, int s, int side) {
    const int x = square_x(s), y = square_y(s);
    const int rank = side == kWhite ? 7 - y : y;
    const int centerX = kCenter[x], centerY = kCenter[rank];
    int kingMiddle = -12 * rank - 3 * centerX;
    if (rank == 0 && (x == 2 || x == 6)) kingMiddle += 35;  // castled
    const int shield = bits_up_to_3(kShield.squares[side][s] & scan.sets.of(side, kPawn));
    const int kingEnd = 5 * (centerX + centerY);
    const int blended =
        ((kingMiddle + 12 * shield) * terms.phase + kingEnd * terms.endgameWeight) / kFullPhase;
    int zone = 0;
    if (terms.phase != 0) {
        zone = king_zone_penalty_whole(scan.sets, x, y, opponent_of(side), terms.phase, shield);
    }
    return kKingMaterial + blended - zone;
}

// The pieces of one side other than pawns, as whole numbers: values by
// square into `values` (own side's view), their sum returned.
int side_piece_values(const BoardScan &scan, const PhaseTerms &terms, int side, int *values) {
    const PieceSets &sets = scan.sets;
    const unsigned ownPawnFiles = side == kWhite ? scan.whitePawnFiles : scan.blackPawnFiles;
    const unsigned enemyPawnFiles = side == kWhite ? scan.blackPawnFiles : scan.whitePawnFiles;
    int sum = 0;
    for (uint64_t rest = sets.of(side, kRook); rest;) {
        const int s = pop_lsb(rest);
        const int v = kSquareValues.value[make_piece(side, kRook)][s] +
                      rook_file_bonus(1u << square_x(s), ownPawnFiles, enemyPawnFiles);
        values[s] = v;
        sum += v;
    }
    const auto minor = [&](int code) {
        for (uint64_t rest = sets.byPiece[code]; rest;) {
            const int s = pop_lsb(rest);
            values[s] = kSquareValues.value[code][s];
            sum += values[s];
        }
    };
    minor(make_piece(side, kKnight));
    minor(make_piece(side, kBishop));
    for (uint64_t rest = sets.of(side, kQueen); rest;) {
        const int s = pop_lsb(rest);
        int v = kSquareValues.value[make_piece(side, kQueen)][s];
        if ((kQueenDeveloped[side] >> s) & 1u) v -= terms.queenEarlyPenalty;
        values[s] = v;
        sum += v;
    }
    for (uint64_t rest = sets.of(side, kKing); rest;) {
        const int s = pop_lsb(rest);
        const int v = king_value(scan, terms, s, side);
        values[s] = v;
        sum += v;
    }
    return sum;
}

// The evaluation of the board whose pieces `scan.sets` holds.
double evaluate_sets(BoardScan &scan) {
    const bool useCache = pawnCacheEnabled != 0;
    if (useCache && pawnCacheReady == 0) InitPawnCache();

    // Step 1. The pass over the piece sets.
    PawnCacheProbe pawns;
    scan_board(scan, pawns, useCache);
    const PieceSets &sets = scan.sets;

    // Step 2. Pawn-cache probe; the pawn ranks per file for features worked
    // out afresh.
    if (useCache) probe_pawn_cache(pawns, sets);
    if (!pawns.hit) fill_pawn_ranks(scan);

    // Step 3. Phase terms.
    PhaseTerms terms;
    terms.phase = scan.phase > kFullPhase ? kFullPhase : scan.phase;
    terms.endgameWeight = kFullPhase - terms.phase;
    terms.queenEarlyPenalty = 15 * terms.phase / kFullPhase;
    terms.centralPawnBonus = 18 * terms.phase / kFullPhase;
    terms.bothKings = scan.material.whiteKingX >= 0 && scan.material.blackKingX >= 0;

    // Step 4. One value per piece.  Every value is a whole number unless a
    // file holds five, seven or eight pawns of one side; then the values are
    // summed in board order as doubles, fractions and all, so that the
    // rounding stays that of the plain sum.  The pawns of both sides are
    // valued from their feature sets when all their values are whole, one
    // by one otherwise.
    int values[64];
    double fractionalValue[64];
    uint64_t fractional = 0;  // pawns whose value is not a whole number
    int total = 0;
    SidePawns sidePawns[3];
    const bool wholePawns = both_side_pawns(scan, pawns, sidePawns);
    for (int side = kWhite; side <= kBlack; side++) {
        const bool white = side == kWhite;
        int sum = 0;
        if (wholePawns) sum = side_pawn_value(scan, terms, sidePawns[side], side);
        for (uint64_t rest = wholePawns ? 0 : sets.of(side, kPawn); rest;) {
            const int s = pop_lsb(rest);
            const PawnTerms t = pawn_terms(scan, terms, pawns, s, white);
            if (doubled_is_whole(t.sameFile)) {
                values[s] = pawn_value_whole(t);
                sum += values[s];
            } else {
                fractional |= square_bit(s);
                fractionalValue[s] = pawn_value_exact(t);
            }
        }
        sum += side_piece_values(scan, terms, side, values);
        total += white ? sum : -sum;
    }
    double score;
    if (fractional == 0) {
        score = total;
    } else {
        score = 0;
        const uint64_t valued = sets.occupied & ~sets.byPiece[0];
        for (uint64_t rest = valued; rest;) {
            const int s = pop_lsb(rest);
            const double value = ((fractional >> s) & 1u) ? fractionalValue[s] : values[s];
            if ((sets.bySide[kWhite] >> s) & 1u)
                score += value;
            else
                score -= value;
        }
    }

    // Step 5. Winning-king term, pawn-cache slot marked valid, bishop pair.
    const double bonus = winning_king_bonus(scan.material);
    if (useCache && !pawns.hit && pawns.wordsFit) pawns.slot[kPawnStateOffset] = 1;
    const uint64_t whiteBishops = sets.of(kWhite, kBishop), blackBishops = sets.of(kBlack, kBishop);
    if (whiteBishops & (whiteBishops - 1)) score += 30;
    if (blackBishops & (blackBishops - 1)) score -= 30;
    return Int(score + bonus);
}

}  // namespace

double EvaluateBoardUncached() {
    BoardScan scan;
    read_piece_sets(scan.sets);
    return evaluate_sets(scan);
}

double evaluate_board_from_sets(const PieceSets &sets, const KeySums *known) {
    BoardScan scan(sets);
    scan.known = known;
    scan.sets.byPiece[0] = 0;
    scan.sets.bySide[0] = 0;
    return evaluate_sets(scan);
}

double evaluate_board_from_key(const unsigned char *key) {
    BoardScan scan;
    if (!piece_sets_from_chars(scan.sets, key)) {
        scan.sets = PieceSets();
        read_piece_sets(scan.sets);
    }
    return evaluate_sets(scan);
}
