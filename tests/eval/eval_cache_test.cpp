// The pawn cache (block 906) never serves a pawn structure too full for its
// feature word.  The evaluation corpus checks the scores under every cache
// setting.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

class EvalCache : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
};

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
