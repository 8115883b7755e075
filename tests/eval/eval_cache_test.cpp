// The pawn cache (block 906) never serves a pawn structure too full for its
// feature word, and a square value that names no piece scores the same
// through the evaluation cache (which reads the squares from its key) as
// read from the board.  The evaluation corpus checks the scores under every
// cache setting.
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

// Values written onto e4 of the start position (with d2 emptied so that
// the e4 square matters to the pawns): the key character of a square is
// Chr(value + 65) cut to 8 bits, so 257 and 267 share their character with
// a White and a Black pawn, and must still count as no piece at all.
struct OddSquare {
    const char *name;
    double value;
};

const OddSquare kOddSquares[] = {
    {"white_pawn", 1},       {"black_queen", 15},
    {"code_7", 7},           {"code_10", 10},
    {"code_17", 17},         {"minus_one", -1},
    {"aliases_pawn", 257},   {"aliases_black_pawn", 267},
    {"largest_plain", 4094}, {"fraction", 1.5},
};

TEST_F(EvalCache, SquareValuesThatNameNoPieceScoreAsReadFromTheBoard) {
    for (const OddSquare &c : kOddSquares) {
        reset_engine();
        board[3][6] = 0;
        board[4][4] = c.value;
        pawnCacheEnabled = 0;
        const double reference = EvaluateBoardUncached();
        pawnCacheEnabled = 1;
        SetEvalHash(1024);
        EXPECT_EQ(EvaluateBoard(), reference) << c.name;
        EXPECT_EQ(EvaluateBoard(), reference) << c.name << ", cached";
    }
}

}  // namespace
