// The evaluation over some 3,000 positions from seeded random play: colour-
// mirror symmetry and the same scores under every cache setting, any order,
// whether the position is read from the board or from a board view.
#include "bench/eval_corpus.h"
#include "tests/test_support.h"

#include <numeric>

namespace {

using eval_corpus::Position;

class EvalCorpus : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
    // Built once (in a fresh engine) for both tests.
    static inline const std::vector<Position> *corpus_ = [] {
        reset_engine();
        return new std::vector<Position>(eval_corpus::build());
    }();
};

TEST_F(EvalCorpus, MirrorScoresOpposite) {
    ASSERT_GE(corpus_->size(), 1000u);
    int nonZero = 0, loneKing = 0;
    for (const Position &p : *corpus_) {
        eval_corpus::load(p);
        const double score = EvaluateBoard(), bonus = WinningKingEndgame();
        eval_corpus::load(eval_corpus::mirror(p));
        ASSERT_EQ(EvaluateBoard(), -score);
        ASSERT_EQ(WinningKingEndgame(), -bonus);
        nonZero += score != 0;
        loneKing += bonus != 0;
    }
    EXPECT_GE(nonZero, 1000);
    EXPECT_GE(loneKing, 100);
}

TEST_F(EvalCorpus, SameScoreUnderEveryCacheSettingInAnyOrder) {
    std::vector<Position> all = *corpus_;
    for (const Position &p : *corpus_) all.push_back(eval_corpus::mirror(p));
    SetEvalHash(0);
    pawnCacheEnabled = 0;
    std::vector<double> reference;
    for (const Position &p : all) {
        eval_corpus::load(p);
        reference.push_back(EvaluateBoardUncached());
    }
    std::vector<size_t> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    eval_corpus::Rng rng(99);
    for (size_t i = order.size() - 1; i > 0; i--)
        std::swap(order[i], order[static_cast<size_t>(rng.below(static_cast<int>(i + 1)))]);

    for (double kb : {0.0, 512.0, 1024.0})
        for (double pawnCache : {0.0, 1.0}) {
            SCOPED_TRACE(::testing::Message() << kb << " KB, pawn cache " << pawnCache);
            SetEvalHash(kb);
            pawnCacheEnabled = pawnCache;
            for (int round = 0; round < 2; round++) {
                for (size_t i = 0; i < all.size(); i++) {
                    eval_corpus::load(all[i]);
                    ASSERT_EQ(EvaluateBoard(), reference[i]) << i;
                    ASSERT_EQ(EvaluateBoard(), reference[i]) << i << " again";
                }
                for (size_t k : order) {
                    eval_corpus::load(all[k]);
                    ASSERT_EQ(round == 0 ? EvaluateBoard() : evaluate_on_view(board_view()),
                              reference[k])
                        << k;
                }
            }
            if (kb > 0) {
                EXPECT_GT(evalHashHits, static_cast<double>(all.size()));
            }
        }
    EXPECT_GT(pawnCacheHits, 0);
}

}  // namespace
