// Properties of the evaluation over a corpus of some 1,500 positions from
// seeded random play: colour-mirror symmetry, identical scores under every
// cache setting and evaluation order, and the king-zone attack count
// checked square by square against PieceAttacksSquare.
#include "eval_corpus.h"
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using eval_corpus::Position;

class EvalCorpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        reset_engine();
        corpus_ = new std::vector<Position>(eval_corpus::build());
    }
    static void TearDownTestSuite() {
        delete corpus_;
        corpus_ = nullptr;
    }
    void SetUp() override { reset_engine(); }
    static std::vector<Position> *corpus_;
};

std::vector<Position> *EvalCorpus::corpus_ = nullptr;

int piece_count(const Position &p) {
    int n = 0;
    for (int x = 0; x < 8; x++)
        for (int y = 0; y < 8; y++) n += p.b[x][y] != 0;
    return n;
}

TEST_F(EvalCorpus, IsLargeAndVaried) {
    const std::vector<Position> &c = *corpus_;
    ASSERT_GE(c.size(), 1000u);
    int endgames = 0, middlegames = 0, blackToMove = 0, enPassant = 0, loneKing = 0;
    for (const Position &p : c) {
        const int n = piece_count(p);
        endgames += n <= 6;
        middlegames += n >= 24;
        blackToMove += p.side == 2;
        enPassant += p.epx >= 0;
        eval_corpus::load(p);
        loneKing += WinningKingEndgame() != 0;
    }
    EXPECT_GE(endgames, 100);
    EXPECT_GE(middlegames, 200);
    EXPECT_GE(blackToMove, 400);
    EXPECT_GE(enPassant, 10);
    EXPECT_GE(loneKing, 100);
    std::printf("corpus: %zu positions, %d with at most 6 pieces, %d with 24 or more\n", c.size(),
                endgames, middlegames);
}

TEST_F(EvalCorpus, MirrorScoresOpposite) {
    int nonZero = 0;
    for (const Position &p : *corpus_) {
        const Position m = eval_corpus::mirror(p);
        ASSERT_TRUE(eval_corpus::same(eval_corpus::mirror(m), p));
        eval_corpus::load(p);
        const double score = EvaluateBoard();
        const double bonus = WinningKingEndgame();
        eval_corpus::load(m);
        ASSERT_EQ(EvaluateBoard(), -score);
        ASSERT_EQ(WinningKingEndgame(), -bonus);
        nonZero += score != 0;
    }
    EXPECT_GE(nonZero, 1000);
}

TEST_F(EvalCorpus, SameScoreUnderEveryCacheSetting) {
    std::vector<Position> all = *corpus_;
    for (const Position &p : *corpus_) all.push_back(eval_corpus::mirror(p));

    SetEvalHash(0);
    pawnCacheEnabled = 0;
    std::vector<double> reference;
    for (const Position &p : all) {
        eval_corpus::load(p);
        reference.push_back(EvaluateBoardUncached());
    }

    std::vector<size_t> shuffled(all.size());
    for (size_t i = 0; i < shuffled.size(); i++) shuffled[i] = i;
    eval_corpus::Rng rng(99);
    for (size_t i = shuffled.size() - 1; i > 0; i--)
        std::swap(shuffled[i], shuffled[static_cast<size_t>(rng.below(static_cast<int>(i + 1)))]);

    struct Setting {
        double kb, pawnCache;
    };
    const Setting settings[] = {{0, 0}, {0, 1}, {512, 0}, {512, 1}, {1024, 0}, {1024, 1}};
    for (const Setting &s : settings) {
        SCOPED_TRACE(::testing::Message() << "cache " << s.kb << " KB, pawn cache " << s.pawnCache);
        SetEvalHash(s.kb);
        pawnCacheEnabled = s.pawnCache;
        for (int round = 0; round < 2; round++) {
            for (size_t i = 0; i < all.size(); i++) {
                eval_corpus::load(all[i]);
                ASSERT_EQ(EvaluateBoard(), reference[i]) << "position " << i;
                ASSERT_EQ(EvaluateBoard(), reference[i]) << "position " << i << " again";
            }
            for (size_t k : shuffled) {
                eval_corpus::load(all[k]);
                ASSERT_EQ(EvaluateBoard(), reference[k]) << "position " << k;
            }
        }
        if (s.kb > 0) {
            EXPECT_GT(evalHashHits, static_cast<double>(all.size()));
        } else {
            EXPECT_EQ(evalHashHits + evalHashMisses, 0);
        }
    }
    EXPECT_GT(pawnCacheHits, 0);
}

// King-zone penalty computed square by square with PieceAttacksSquare.
double zone_reference(int kingX, int kingY, int enemy, double phase, double shield) {
    int firstY, lastY;
    if (enemy == 2) {
        firstY = kingY - (shield > 0 ? 2 : 3);
        lastY = kingY + 1;
    } else {
        firstY = kingY - 1;
        lastY = kingY + (shield > 0 ? 2 : 3);
    }
    const int weight[7] = {0, 1, 3, 2, 2, 5, 1};
    double attackers = 0, units = 0, queen = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            const double piece = board[x][y];
            if (PieceColor(piece) != enemy) continue;
            const int type = static_cast<int>(piece < 11 ? piece : piece - 10);
            if (type == 5) queen = 1;
            int hits = 0;
            for (int ty = std::max(firstY, 0); ty <= std::min(lastY, 7); ty++)
                for (int tx = std::max(kingX - 1, 0); tx <= std::min(kingX + 1, 7); tx++)
                    if ((tx != x || ty != y) && PieceAttacksSquare(x, y, tx, ty)) hits++;
            if (hits > 0) {
                attackers += 1;
                units += weight[type] * std::min(3, hits);
            }
        }
    if (attackers < 2) return 0;
    double penalty = std::min(260.0, (3 - shield) * units + Int(units * units * 0.25));
    penalty = Int(phase * penalty / 6400);
    if (queen == 0) penalty = Int(penalty * 0.25);
    return penalty;
}

TEST_F(EvalCorpus, KingZoneAttacksAgreeWithPieceAttacksSquare) {
    int positive = 0;
    for (const Position &p : *corpus_) {
        eval_corpus::load(p);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++) {
                if (board[x][y] != 6 && board[x][y] != 16) continue;
                const int enemy = board[x][y] == 6 ? 2 : 1;
                for (double shield = 0; shield <= 3; shield++) {
                    const double expected = zone_reference(x, y, enemy, 6400, shield);
                    ASSERT_EQ(KingZonePenalty(x, y, enemy, 6400, shield), expected);
                    positive += expected > 0;
                }
            }
    }
    EXPECT_GE(positive, 100);
}

}  // namespace
