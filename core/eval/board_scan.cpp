// The static evaluation's pass over the board (core/eval/board_scan.h).
//
// Globals read: board.
#include "core/eval/board_scan.h"

#include "core/board/geometry.h"
#include "core/board/board_codes_simd.h"
#include "core/eval/cache_layout.h"
#include "core/eval/eval_terms.h"
#include "core/eval/key_chars_simd.h"
#include "core/quin_core.h"

#include <cassert>
#include <cstring>

namespace eval_detail {

namespace {

constexpr struct CodeIndex {
    unsigned char index[kBlackOffset + kKing + 1];
    constexpr CodeIndex() : index() {
        for (int type = kPawn; type <= kKing; type++) {
            index[make_piece(kWhite, type)] = static_cast<unsigned char>(make_piece(kWhite, type));
            index[make_piece(kBlack, type)] = static_cast<unsigned char>(make_piece(kBlack, type));
        }
    }
} kCodeIndex;

// Phase material of the non-pawn pieces.
int phase_material(const PieceSets &sets) {
    int phase = 0;
    for (int type = kRook; type <= kQueen; type++)
        phase += kPieceValue[type] *
                 (count_sparse(sets.of(kWhite, type)) + count_sparse(sets.of(kBlack, type)));
    return phase;
}

}  // namespace

void sort_pieces(PieceSets &sets, const int *squares, uint64_t occupied, uint64_t blackPieces) {
    for (uint64_t rest = occupied; rest;) {
        const int s = pop_lsb(rest);
        const unsigned code = static_cast<unsigned>(squares[s]);
        sets.byPiece[code <= kBlackOffset + kKing ? kCodeIndex.index[code] : 0] |= square_bit(s);
    }
    sets.occupied = occupied;
    sets.bySide[kWhite] = occupied & ~blackPieces;
    sets.bySide[kBlack] = blackPieces;
}

void read_piece_sets(PieceSets &sets) {
    int squares[64];  // piece codes by square
    uint64_t occupied, blackPieces;
    read_board_codes(squares, occupied, blackPieces);
    sort_pieces(sets, squares, occupied, blackPieces);
}

bool piece_sets_from_chars(PieceSets &sets, const unsigned char *chars) {
    const KeySquares squares(chars);
    uint64_t white = 0, black = 0;
    for (int type = kPawn; type <= kKing; type++) {
        white |= sets.byPiece[make_piece(kWhite, type)] =
            squares.holding(static_cast<unsigned char>(kKeyCharOffset + make_piece(kWhite, type)));
        black |= sets.byPiece[make_piece(kBlack, type)] =
            squares.holding(static_cast<unsigned char>(kKeyCharOffset + make_piece(kBlack, type)));
    }
    const uint64_t empty = squares.holding(static_cast<unsigned char>(kKeyCharOffset + kEmpty));
    sets.occupied = white | black;
    sets.bySide[kWhite] = white;
    sets.bySide[kBlack] = black;
    return (empty | white | black) == ~uint64_t{0};
}

void pawn_sum_and_phase(const PieceSets &sets, KeySums &sums) {
    uint64_t pawnSum = kSquarePowers.sum;  // every square's pawn term is at least 1
    for (int side = kWhite; side <= kBlack; side++) {
        const int code = make_piece(side, kPawn);
        for (uint64_t rest = sets.byPiece[code]; rest;)
            pawnSum += static_cast<uint64_t>(code) * kSquarePowers.p[pop_lsb(rest)];
    }
    sums.pawns = pawnSum;
    sums.phase = phase_material(sets);
}

void scan_board(BoardScan &scan, PawnCacheProbe &pawns, bool useCache) {
    const PieceSets &sets = scan.sets;
    KeySums sums;
    if (scan.known != nullptr) {
        sums = *scan.known;
#ifndef NDEBUG
        KeySums fresh;
        pawn_sum_and_phase(sets, fresh);
        assert(fresh.pawns == sums.pawns && fresh.phase == sums.phase);
#endif
    } else {
        pawn_sum_and_phase(sets, sums);
    }
    scan.phase = sums.phase;

    WinningKingMaterial &m = scan.material;
    const uint64_t whiteKings = sets.of(kWhite, kKing), blackKings = sets.of(kBlack, kKing);
    if (whiteKings) {
        const int s = highest_square(whiteKings);
        m.whiteKingX = square_x(s);
        m.whiteKingY = square_y(s);
    }
    if (blackKings) {
        const int s = highest_square(blackKings);
        m.blackKingX = square_x(s);
        m.blackKingY = square_y(s);
    }
    m.whiteOthers = count_bits(sets.bySide[kWhite] & ~whiteKings);
    m.blackOthers = count_bits(sets.bySide[kBlack] & ~blackKings);
    m.whiteHeavy = (sets.of(kWhite, kRook) | sets.of(kWhite, kQueen)) != 0;
    m.blackHeavy = (sets.of(kBlack, kRook) | sets.of(kBlack, kQueen)) != 0;

    if (useCache) pawns.hashSum = sums.pawns;
    // Every pawn moved up to the rank of y = 0: bit x for a pawn on file x.
    scan.whitePawnFiles = static_cast<unsigned>(north_fill(sets.of(kWhite, kPawn)) & 0xFFu);
    scan.blackPawnFiles = static_cast<unsigned>(north_fill(sets.of(kBlack, kPawn)) & 0xFFu);
}

void write_pawn_key(PawnCacheProbe &pawns, const PieceSets &sets) {
    std::memset(pawns.key, kKeyCharOffset + kEmpty, kPawnKeyBytes);
    for (int side = kWhite; side <= kBlack; side++) {
        const int code = make_piece(side, kPawn);
        for (uint64_t rest = sets.byPiece[code]; rest;)
            pawns.key[pop_lsb(rest)] = static_cast<unsigned char>(kKeyCharOffset + code);
    }
}

void fill_pawn_ranks(BoardScan &scan) {
    for (int side = kWhite; side <= kBlack; side++) {
        unsigned *files = side == kWhite ? scan.whitePawns : scan.blackPawns;
        for (uint64_t rest = scan.sets.of(side, kPawn); rest;) {
            const int s = pop_lsb(rest);
            files[square_x(s) + 1] |= 1u << square_y(s);
        }
    }
}

}  // namespace eval_detail
