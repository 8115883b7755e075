// The static evaluation's pass over the board: the board read into one
// set of squares per piece code, and what the piece terms need from it
// (pawn files, phase material, the winning-king facts and the pawn-cache
// key).  Internal to core/eval.
#pragma once

#include "core/board/piece_sets.h"
#include "core/eval/cache_layout.h"
#include "core/eval/winning_king.h"
#include "core/types.h"

#include <cstdint>

namespace eval_detail {

// What the pass over the board gathers for the piece terms.
struct BoardScan {
    BoardScan() = default;
    // From a position's piece sets, taken as they are (no zeroed copy first).
    explicit BoardScan(const PieceSets &pieces) : sets(pieces) {}

    PieceSets sets{};  // byPiece[0]: squares whose value names no piece
    // The pawn hash sum and phase material when the caller carried them
    // (a board view's evaluation key), else null.
    const KeySums *known = nullptr;
    // Pawn ranks (bit y) per file, files shifted by one so that the
    // neighbours of the a- and h-files read as empty; filled by
    // fill_pawn_ranks only when the pawn features are worked out afresh.
    unsigned whitePawns[10] = {0}, blackPawns[10] = {0};
    unsigned whitePawnFiles = 0, blackPawnFiles = 0;  // bit x: a pawn on file x
    int phase = 0;  // rook, knight, bishop and queen material of both sides
    WinningKingMaterial material;
};

// The pawn-cache state of one evaluation.
struct PawnCacheProbe {
    unsigned char key[kPawnKeyBytes];  // Chr(65 + pawn code) per square (write_pawn_key)
    uint64_t hashSum = 0;              // unreduced square hash of the pawn codes
    unsigned char *slot = nullptr;     // the probed slot; null with the cache off
    int slotIndex = -1;
    bool hit = false;
    bool memoHit = false;  // the hit was the slot's memo's (core/eval/pawn_terms.h)
    // A feature word holds up to 15 neighbours; a board with 16 own pawns on
    // the two adjacent files (possible from a FEN, never in a game) cannot be
    // stored without corrupting the word, so such a configuration is
    // evaluated afresh every time instead of being validated in the cache.
    bool wordsFit = true;
};

// Sorts the occupied squares of `squares` (piece codes by square) into
// piece sets; `blackPieces` holds the squares of codes above kBlackOffset.
void sort_pieces(PieceSets &sets, const int *squares, uint64_t occupied, uint64_t blackPieces);

// Piece sets of the current board.
void read_piece_sets(PieceSets &sets);

// Piece sets from the square characters of a position key; false when a
// square holds a code that names no piece.
bool piece_sets_from_chars(PieceSets &sets, const unsigned char *chars);

// The pawn hash sum and phase material of `sets` into `sums`.
void pawn_sum_and_phase(const PieceSets &sets, KeySums &sums);

// The pass over the piece sets: the files holding pawns, phase material,
// the winning-king facts (the last king of a colour in board order counts)
// and (with the cache on) the pawn hash; the first two taken from
// `scan.known` when it is set.
void scan_board(BoardScan &scan, PawnCacheProbe &pawns, bool useCache);

// The pawn key's characters, which the probe writes only when it compares
// or stores them.
void write_pawn_key(PawnCacheProbe &pawns, const PieceSets &sets);

// The pawn ranks per file (BoardScan::whitePawns, blackPawns), which only a
// pawn-cache miss (or the cache off) reads.
void fill_pawn_ranks(BoardScan &scan);

}  // namespace eval_detail
