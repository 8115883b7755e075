// Pawn structures at the edges of the pawn-feature sets: files with two,
// three, five or seven pawns of one side (whole and fractional doubled
// terms), a pawn with more than fifteen own pawns beside it, pawns on the
// back ranks, passers with and without support.  The scores are the
// engine's own, kept from before the features were taken from pawn sets;
// each position is evaluated with the pawn cache off, on a pawn-cache miss
// and on a hit.
#include "core/eval/cache_layout.h"
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char *fen;
    double expected;
};

const Case kStructures[] = {
    {"4k3/8/4P3/4P3/4P3/4P3/4P3/4K3 w - - 0 1", 839},  // five on a file
    {"4k3/7p/7p/7p/7p/7p/7p/4K2p w - - 0 1", -1375},   // seven on a file
    {"4k3/pppppppp/pppppppp/8/8/8/PPPPPPPP/4K3 w - - 0 1", -832},
    {"P1P1k3/P1P5/PPP5/P1P5/P1P5/P1P5/P1P5/P1P1K3 w - - 0 1", 3688},  // 16 beside b6
    {"P3k3/1p6/8/8/8/8/1P6/p3K3 w - - 0 1", 0},                       // back-rank pawns
    {"1P2k3/8/8/8/8/8/8/4K1p1 w - - 0 1", 0},
    {"4k3/8/3p4/2pPp3/2P1P3/8/8/4K3 w - - 0 1", 22},
    {"4k3/8/8/3P4/3P4/3P4/8/4K3 w - - 0 1", 493},  // three on a file
    {"4k3/2p5/8/1P1P4/8/8/8/4K3 b - - 0 1", 152},
    {"rnbqkbnr/pp3ppp/8/2pPp3/8/8/PPP2PPP/RNBQKBNR w KQkq - 0 4", 15},
    {"6k1/1p3ppp/8/PP6/8/8/5PPP/6K1 w - - 0 1", 174},  // connected passers
};

TEST(PawnStructure, ScoresWithAndWithoutThePawnCache) {
    int hits = 0;
    for (const Case &c : kStructures) {
        reset_engine();
        load_fen(c.fen);
        pawnCacheEnabled = 0;
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.fen << ", pawn cache off";
        pawnCacheEnabled = 1;
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.fen << ", first with the pawn cache";
        const double before = pawnCacheHits;
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.fen << ", second with the pawn cache";
        // The third time the hit is served from what the second one read.
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.fen << ", third with the pawn cache";
        hits += static_cast<int>(pawnCacheHits - before) / 2;
    }
    // Every structure but the overfull one is served from the cache the
    // second time.
    EXPECT_EQ(hits, static_cast<int>(sizeof kStructures / sizeof kStructures[0]) - 1);
}

// A hit reads the feature words as they stand, even when they were written
// through the memory layer after the configuration was last read: a lone
// pawn's word rewritten to give it a neighbour takes back its -15 for
// being isolated.
TEST(PawnStructure, HitReadsWordsWrittenBehindTheCache) {
    reset_engine();
    load_fen("4k3/8/8/3P4/8/8/8/4K3 w - - 0 1");
    pawnCacheEnabled = 1;
    const double fresh = EvaluateBoardUncached();
    ASSERT_EQ(EvaluateBoardUncached(), fresh);
    ASSERT_EQ(EvaluateBoardUncached(), fresh);
    int used = -1;
    for (int slot = 0; slot < kPawnSlots; ++slot)
        if (peek_n(kPawnBlock, slot * kPawnSlotBytes + kPawnStateOffset, 1) == 1) used = slot;
    ASSERT_GE(used, 0);
    const double word = used * kPawnSlotBytes + kPawnWordsOffset + 27 * kPawnWordBytes;  // d5
    poke_n(kPawnBlock, word, peek_n(kPawnBlock, word, 4) + kWordNeighbours, 4);
    EXPECT_EQ(EvaluateBoardUncached(), fresh + 15);
}

}  // namespace
