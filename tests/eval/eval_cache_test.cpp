// The evaluation cache (block 905) and the pawn cache (block 906): hits and
// misses, side-to-move twins, slots claimed by the move hash, negative
// scores, cache sizes and the pawn configurations never cached.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

const char kPawnEnding[] = "4k3/4p3/8/8/8/8/8/4K3 w - - 0 1";

// Byte offset of the position's slot: a Horner sum over the 64 square codes.
double slot_offset() {
    double hash = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) hash = Mod(hash * 131 + board[x][y] + 1, 2147483647);
    return Mod(hash, evalHashSlots) * 128;
}

class EvalCache : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
};

TEST_F(EvalCache, MissThenHit) {
    load_fen("r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3");
    const double first = EvaluateBoard();
    EXPECT_EQ(evalHashMisses, 1);
    EXPECT_EQ(evalHashHits, 0);
    EXPECT_EQ(EvaluateBoard(), first);
    EXPECT_EQ(evalHashMisses, 1);
    EXPECT_EQ(evalHashHits, 1);
}

TEST_F(EvalCache, SideToMoveTwinsShareASlotAndEvictEachOther) {
    load_fen(kPawnEnding);
    const double offset = slot_offset(), score = EvaluateBoard();
    for (int i = 0; i < 6; i++) {
        currentPlayer = 3 - currentPlayer;
        poke_n(905, offset + 84, 1, 1);  // a move entry of the other twin
        EXPECT_EQ(EvaluateBoard(), score);
        EXPECT_EQ(evalHashMisses, i + 2);
        EXPECT_EQ(evalHashHits, 0);
        EXPECT_EQ(peek_n(905, offset + 84, 1), 0) << "twin " << i;
    }
}

TEST_F(EvalCache, ClaimedSlotOfTheSamePositionIsAMissThatKeepsItsMove) {
    const double offset = slot_offset();
    EvaluateBoard();
    poke_n(905, offset, 2, 1);  // state 2: claimed by the move hash
    poke_n(905, offset + 84, 1, 1);
    poke_n(905, offset + 88, 797, 4);
    EXPECT_EQ(EvaluateBoard(), 0);
    EXPECT_EQ(evalHashMisses, 2);
    EXPECT_EQ(peek_n(905, offset + 84, 1), 1);
    EXPECT_EQ(peek_n(905, offset + 88, 4), 797);
    EXPECT_EQ(EvaluateBoard(), 0);
    EXPECT_EQ(evalHashHits, 1);
}

TEST_F(EvalCache, NegativeScoresRoundTrip) {
    load_fen("4k3/4p3/8/8/8/8/8/4K3 b - - 0 1");
    const double offset = slot_offset();
    EXPECT_EQ(EvaluateBoard(), -127);
    EXPECT_EQ(EvaluateBoard(), -127);
    EXPECT_EQ(evalHashHits, 1);
    poke_n(905, offset + 80, 999750, 4);  // stored as score + 1000000
    EXPECT_EQ(EvaluateBoard(), -250);
}

TEST_F(EvalCache, UnsupportedSizesChangeNothingSupportedOnesStartEmpty) {
    EvaluateBoard();
    for (double kb : {256.0, -512.0, 1023.5, 512.0, 512.0, 0.0, 1024.0}) {
        SCOPED_TRACE(kb);
        const bool accepted = kb == 0 || kb == 512 || kb == 1024;
        const double before = evalHashKB, hits = evalHashHits, gen = moveHashGeneration;
        const unsigned char *block = memory[905];
        SetEvalHash(kb);
        EXPECT_EQ(evalHashKB, accepted ? kb : before);
        EXPECT_EQ(memory_size[905], evalHashKB * 1024);
        EXPECT_EQ(moveHashGeneration, gen + accepted);
        EXPECT_EQ(EvaluateBoard(), 0);
        if (!accepted) {
            EXPECT_EQ(memory[905], block);
            EXPECT_EQ(evalHashHits, hits + 1);
        } else {
            EXPECT_EQ(evalHashHits, 0);
        }
    }
}

// Regression: sixteen White pawns on the d- and f-files give the e-pawn 16
// neighbours, one more than a feature word holds.  Such a structure is never
// served from the pawn cache, so it scores the same with it as without.
TEST_F(EvalCache, OverfullPawnConfigurationIsNeverServedFromThePawnCache) {
    load_fen("k2P1P2/3P1P2/3P1P2/3P1P2/3PPP2/3P1P2/3P1P2/K2P1P2 w - - 0 1");
    SetEvalHash(0);
    pawnCacheEnabled = 0;
    const double reference = EvaluateBoard();
    pawnCacheEnabled = 1;
    for (int i = 0; i < 3; i++) EXPECT_EQ(EvaluateBoard(), reference) << i;
    EXPECT_EQ(pawnCacheHits, 0);
    EXPECT_EQ(pawnCacheMisses, 3);
}

}  // namespace
