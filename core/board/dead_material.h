// Dead material (IsInsufficientMaterial) from where the pieces stand: no
// pawn, rook or queen, and at most one knight or bishop on the board, or
// one bishop each on squares of the same colour.
#pragma once

#include "core/board/geometry.h"
#include "core/board/piece_sets.h"
#include "core/types.h"

#include <cstdint>
#include <initializer_list>

inline bool insufficient_material(const PieceSets &sets) {
    for (const int type : {kPawn, kRook, kQueen})
        if ((sets.of(kWhite, type) | sets.of(kBlack, type)) != 0) return false;
    const uint64_t whiteBishops = sets.of(kWhite, kBishop), blackBishops = sets.of(kBlack, kBishop);
    const uint64_t whiteMinors = sets.of(kWhite, kKnight) | whiteBishops;
    const uint64_t blackMinors = sets.of(kBlack, kKnight) | blackBishops;
    if (whiteMinors == 0 || blackMinors == 0) return !more_than_one(whiteMinors | blackMinors);
    if (more_than_one(whiteMinors) || more_than_one(blackMinors)) return false;
    // One minor piece each: insufficient when both are bishops on squares
    // of one colour.
    if (whiteBishops == 0 || blackBishops == 0) return false;
    const int w = lowest_square(whiteBishops), b = lowest_square(blackBishops);
    return ((square_x(w) + square_y(w)) & 1) == ((square_x(b) + square_y(b)) & 1);
}
