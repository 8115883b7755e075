// The squares a rook or a bishop sees from a square past the pieces of an
// occupancy, by one table lookup: the occupancy's squares on the piece's
// lines (the edges left out, a piece there blocks nothing beyond) are
// multiplied by a number chosen per square so that the product's top bits
// index a table of the reaches, every occupancy with the same reach
// sharing or not colliding with another's entry.  The numbers are searched
// at start-up from a fixed seed and every entry is checked against the ray
// walk of core/board/geometry.h, which defines the reach.
#pragma once

#include <cstdint>

namespace slider_detail {

struct SquareIndex {
    uint64_t mask;  // the lines' squares that can block, edges left out
    uint64_t multiplier;
    const uint64_t *reach;  // this square's part of the table
    unsigned shift;         // 64 minus the number of the mask's squares

    uint64_t at(uint64_t occupied) const {
        return reach[((occupied & mask) * multiplier) >> shift];
    }
};

extern SquareIndex straightIndex[64], diagonalIndex[64];

// The squares of the lines along `dirs` from `square` that can block: each
// ray without its last square.
uint64_t line_blockers(const int (&dirs)[4], int square);

// The reach along `dirs` by walking the rays, which defines the tables.
uint64_t walked_reach(const int (&dirs)[4], int square, uint64_t occupied);

}  // namespace slider_detail

// The squares along the rank and file (rook) or the diagonals (bishop) of
// `square` up to and with the first piece of `occupied` on each.
inline uint64_t straight_attacks(int square, uint64_t occupied) {
    return slider_detail::straightIndex[square].at(occupied);
}
inline uint64_t diagonal_attacks(int square, uint64_t occupied) {
    return slider_detail::diagonalIndex[square].at(occupied);
}
