// Searches the multipliers of core/board/slider_attacks.cpp: for every
// square, a number that folds each occupancy of the rook's (then the
// bishop's) lines onto a table entry of 2^(mask squares) without putting
// two different reaches on one entry.  Prints both tables.
//
//   g++ -O2 -std=c++17 -I. tools/slider_multipliers.cpp \
//       core/board/slider_attacks.cpp -o /tmp/multipliers && /tmp/multipliers
#include "core/board/geometry.h"
#include "core/board/slider_attacks.h"

#include <cstdio>

namespace {

// A fixed pseudo-random sequence (xorshift with a multiplier): the same
// numbers on every run and host.
struct Sequence {
    uint64_t state;
    uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 2685821657736338717ULL;
    }
    // Numbers with few bits set fold an occupancy's squares far apart.
    uint64_t sparse() { return next() & next() & next(); }
};

void search(const int (&dirs)[4], uint64_t seed) {
    static uint64_t occupancy[4096], reach[4096], entry[4096];
    static unsigned tried[4096];
    static unsigned attempt = 0;
    Sequence sequence{seed};
    for (int square = 0; square < 64; ++square) {
        const uint64_t mask = slider_detail::line_blockers(dirs, square);
        const unsigned shift = static_cast<unsigned>(64 - count_bits(mask));
        int size = 0;
        uint64_t subset = 0;
        do {
            occupancy[size] = subset;
            reach[size] = slider_detail::walked_reach(dirs, square, subset);
            ++size;
            subset = (subset - mask) & mask;
        } while (subset != 0);
        uint64_t multiplier = 0;
        for (bool found = false; !found;) {
            do {
                multiplier = sequence.sparse();
            } while (count_bits((mask * multiplier) >> 56) < 6);
            ++attempt;
            found = true;
            for (int i = 0; i < size && found; ++i) {
                const uint64_t slot = (occupancy[i] * multiplier) >> shift;
                if (tried[slot] != attempt) {
                    tried[slot] = attempt;
                    entry[slot] = reach[i];
                } else if (entry[slot] != reach[i]) {
                    found = false;
                }
            }
        }
        std::printf("0x%016llXULL,%s", static_cast<unsigned long long>(multiplier),
                    square % 3 == 2 ? "\n" : " ");
    }
    std::printf("\n\n");
}

}  // namespace

int main() {
    search(kStraightDirs, 0x5A17E5EEDULL);
    search(kDiagonalDirs, 0xB15B0B5ULL);
}
