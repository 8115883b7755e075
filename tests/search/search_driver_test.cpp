// The search driver and the root search end to end: mates found at their
// distance, mated and stalemated sides, the fallback answers, node totals
// over iterations, aborted iterations, and illegal preferred or hash moves.
#include "search_test_util.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct MateCase {
    const char *fen;
    double depth;
    const char *move;  // nullptr: any move, only the distance is fixed
    const char *score;
};

class FindsMate : public testing::TestWithParam<MateCase> {};

TEST_P(FindsMate, AtItsDistance) {
    const MateCase &c = GetParam();
    search_fen(c.fen, c.depth);
    if (c.move != nullptr) {
        EXPECT_STREQ(computerBestMove_s.v, c.move);
    }
    char buf[64];
    score_text(buf, sizeof buf);
    EXPECT_STREQ(buf, c.score);
    // The decisive score ends the deepening at once.
    EXPECT_LE(computerReachedDepth, c.depth);
    EXPECT_GE(computerReachedDepth, 1);
    EXPECT_EQ(searchAborted, 1);
    // The answer is a legal move of the side to move.
    EXPECT_NE(IsMoveValid(computerBestFromX, computerBestFromY, computerBestToX, computerBestToY),
              0);
}

// Mate distances confirmed by an independent engine.
INSTANTIATE_TEST_SUITE_P(
    Positions, FindsMate,
    testing::Values(
        MateCase{"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 1, "a1a8", "mate 1"},
        MateCase{"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 4, "a1a8", "mate 1"},
        MateCase{"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 8, "a1a8", "mate 1"},
        MateCase{"r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", 5, "a8a1", "mate 1"},
        MateCase{"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 4, "d5f6",
                 "mate 2"},
        MateCase{"r1bq2r1/b4pk1/p1pp1p2/1p2pP2/1P2P1PB/3P4/1PPQ2P1/R3K2R w - - 0 1", 4, "d2h6",
                 "mate 2"},
        MateCase{"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 4, "g2g1", "mate 2"},
        MateCase{"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 4, "g3g6",
                 "mate 2"},
        MateCase{"1k5r/pP3ppp/3p2b1/1BN1n3/1Q2P3/P1B5/KP3P1P/7q w - - 1 1", 6, "c5a6", "mate 3"},
        MateCase{"3r1r1k/1p3p1p/p2p4/4n1NN/6bQ/1BPq4/P3p1PP/1R5K w - - 0 1", 6, "g5f7", "mate 3"}));

TEST(SearchDriver, MateInOneStopsAfterFirstIteration) {
    search_fen("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 8);
    EXPECT_EQ(computerReachedDepth, 1);
    EXPECT_EQ(computerScore, 899999);
    EXPECT_EQ(computerBestFromX, 0);
    EXPECT_EQ(computerBestFromY, 7);
    EXPECT_EQ(computerBestToX, 0);
    EXPECT_EQ(computerBestToY, 0);
    EXPECT_EQ(result_lines().substr(result_lines().find("bestmove")), "bestmove a1a8\n");
}

struct NoMoveCase {
    const char *fen;
    double score;
    const char *text;
};

class NoLegalMove : public testing::TestWithParam<NoMoveCase> {};

TEST_P(NoLegalMove, ReportsNoMoveAndTheScore) {
    const NoMoveCase &c = GetParam();
    for (double depth : {1.0, 3.0, 8.0}) {
        search_fen(c.fen, depth);
        EXPECT_STREQ(computerBestMove_s.v, "---");
        EXPECT_EQ(computerBestFromX, -1);
        EXPECT_EQ(computerBestFromY, -1);
        EXPECT_EQ(computerBestToX, -1);
        EXPECT_EQ(computerBestToY, -1);
        EXPECT_EQ(computerScore, c.score);
        EXPECT_EQ(computerReachedDepth, 0);
        EXPECT_EQ(computerLegalMoves, 0);
        EXPECT_EQ(computerNodes, 0);
        const std::string lines = result_lines();
        EXPECT_EQ(lines.substr(0, lines.find(" nodes ")),
                  std::string("info depth 0 score ") + c.text);
        EXPECT_NE(lines.find(" pv \nbestmove 0000\n"), std::string::npos) << lines;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, NoLegalMove,
    testing::Values(NoMoveCase{"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 900000, "mate 0"},
                    NoMoveCase{"6k1/8/8/8/8/8/5PPP/r5K1 w - - 0 1", -900000, "mate 0"},
                    NoMoveCase{"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, "cp 0"},
                    NoMoveCase{"8/8/8/8/8/6k1/5q2/7K w - - 0 1", 0, "cp 0"}));

TEST(SearchDriver, StopBeforeMatedSearchStillReportsNoMove) {
    // A stale answer from an earlier search must not survive a stop that
    // cuts the root search of a mated position short.
    search_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1);
    ASSERT_GE(computerBestFromX, 0);
    ASSERT_EQ(set_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"), 1);
    computerPlayer = currentPlayer;
    stop_requested.store(1);
    CalculateBestMove();
    stop_requested.store(0);
    EXPECT_EQ(computerBestFromX, -1);
    EXPECT_STREQ(computerBestMove_s.v, "---");
    EXPECT_EQ(computerScore, 900000);
    EXPECT_EQ(computerNodes, 0);
}

struct FallbackCase {
    const char *fen;
    double depth, seconds;
    const char *move;
};

class FallbackMove : public testing::TestWithParam<FallbackCase> {};

TEST_P(FallbackMove, FirstLegalMoveInScanOrderWithStaticScore) {
    const FallbackCase &c = GetParam();
    load_fen(c.fen);
    const double staticScore = EvaluateBoard();
    computerPlayer = currentPlayer;
    computerDepth = c.depth;
    computerThinkSeconds = c.seconds;
    CalculateBestMove();
    EXPECT_STREQ(computerBestMove_s.v, c.move);
    EXPECT_EQ(computerScore, staticScore);
    EXPECT_EQ(computerReachedDepth, 0);
    EXPECT_EQ(computerNodes, 0);
    EXPECT_EQ(learningChoiceUsed, 0);
    EXPECT_EQ(computerLegalMoves, CountLegalMoves(computerPlayer));
    EXPECT_EQ(searchTimedActive, 0);
    EXPECT_EQ(preferredFromX, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FallbackMove,
    testing::Values(
        FallbackCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 8, 0, "a2a4"},
        FallbackCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", 8, 0, "b8a6"},
        FallbackCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, 10, "a2a4"},
        // Promotion text, and a king in check with a single answer.
        FallbackCase{"8/4P1k1/8/8/8/8/8/K7 w - - 0 1", 8, 0, "e7e8q"},
        FallbackCase{"k7/8/8/8/8/8/1r6/K1r5 w - - 0 1", 8, 0, "a1b2"},
        FallbackCase{"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", -3, 10, "a1a8"}));

// Runs a fresh search and returns the per-iteration node counts.
std::vector<double> iteration_nodes(const char *fen, int depth) {
    std::vector<double> out;
    double before = 0;
    for (int d = 1; d <= depth; ++d) {
        search_fen(fen, d);
        out.push_back(computerNodes - before);
        before = computerNodes;
    }
    return out;
}

const char *const kMiddlegame =
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1BBPPP/R2QK2R w KQ - 0 8";

TEST(SearchDriver, NodesOfFreshSearchesAreDeterministic) {
    search_fen(kMiddlegame, 4);
    const double nodes = computerNodes;
    const std::string move = computerBestMove_s.v;
    const double score = computerScore;
    search_fen(kMiddlegame, 4);
    EXPECT_EQ(computerNodes, nodes);
    EXPECT_EQ(computerBestMove_s.v, move);
    EXPECT_EQ(computerScore, score);
    EXPECT_EQ(computerReachedDepth, 4);
    EXPECT_EQ(searchAborted, 0);
    EXPECT_EQ(searchIterationDepth, 5);
    EXPECT_EQ(preferredFromX, -1);
    // The line of the finished iteration starts with the answer.
    ASSERT_EQ(preferredPVValid[0], 1);
    EXPECT_EQ(preferredPVFromX[0], computerBestFromX);
    EXPECT_EQ(preferredPVToY[0], computerBestToY);
}

struct Snapshot {
    std::string move;
    double fx, fy, tx, ty, score, depth, learning;
    std::vector<double> pv;
    std::vector<double> previous;
};

Snapshot snapshot() {
    Snapshot s{computerBestMove_s.v,
               computerBestFromX,
               computerBestFromY,
               computerBestToX,
               computerBestToY,
               computerScore,
               computerReachedDepth,
               learningChoiceUsed,
               {},
               {}};
    for (int p = 0; p < 12; ++p) {
        s.pv.push_back(preferredPVValid[p]);
        if (preferredPVValid[p] != 0) {
            s.pv.push_back(preferredPVFromX[p] * 512 + preferredPVFromY[p] * 64 +
                           preferredPVToX[p] * 8 + preferredPVToY[p]);
        }
    }
    s.previous.push_back(rootPreviousCount);
    for (int i = 0; i < static_cast<int>(rootPreviousCount); ++i) {
        s.previous.push_back(rootPreviousResult[i][0]);
        s.previous.push_back(rootPreviousResult[i][1]);
    }
    return s;
}

void expect_same(const Snapshot &a, const Snapshot &b) {
    EXPECT_EQ(a.move, b.move);
    EXPECT_EQ(a.fx, b.fx);
    EXPECT_EQ(a.fy, b.fy);
    EXPECT_EQ(a.tx, b.tx);
    EXPECT_EQ(a.ty, b.ty);
    EXPECT_EQ(a.score, b.score);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.learning, b.learning);
    EXPECT_EQ(a.pv, b.pv);
    EXPECT_EQ(a.previous, b.previous);
}

TEST(SearchDriver, AbortedIterationLeavesAnswerLineAndOrdering) {
    const std::vector<double> perIteration = iteration_nodes(kMiddlegame, 4);
    // Budgets chosen to cut the search inside different iterations.
    int checked = 0;
    for (double seconds : {0.002, 0.01, 0.03, 0.1, 0.3}) {
        search_fen(kMiddlegame, 8, seconds);
        if (computerReachedDepth == 0 || computerReachedDepth > 4) continue;
        ASSERT_EQ(searchAborted, 1);
        const int reached = static_cast<int>(computerReachedDepth);
        const Snapshot timed = snapshot();
        double finished = 0;
        for (int d = 0; d < reached; ++d) finished += perIteration[d];
        // All iterations count, the unfinished one included.
        EXPECT_GE(computerNodes, finished) << seconds;
        if (reached < 4) {
            EXPECT_LE(computerNodes, finished + perIteration[reached]) << seconds;
        }
        search_fen(kMiddlegame, reached);
        expect_same(timed, snapshot());
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no budget stopped the search in iterations 1 to 4";
}

TEST(SearchDriver, StopBeforeFirstIterationGivesFallback) {
    load_fen(kMiddlegame);
    computerPlayer = currentPlayer;
    computerDepth = 5;
    computerThinkSeconds = 300;
    stop_requested.store(1);
    CalculateBestMove();
    stop_requested.store(0);
    // Scanning from rank 8 down, the c4 pawn is the first piece that can move.
    EXPECT_STREQ(computerBestMove_s.v, "c4c5");
    EXPECT_EQ(computerReachedDepth, 0);
    EXPECT_EQ(computerNodes, 0);
}

// Loads fen with the ordering memory of a new search, ready for one root
// search of the given depth.
void fresh_root(const char *fen, double depth) {
    load_fen(fen);
    computerPlayer = currentPlayer;
    ClearPreferredPV();
    ClearKillerMoves();
    ClearSearchHistoryScores();
    searchIterationDepth = depth;
}

TEST(RootSearch, IllegalPreferredMoveIsSkipped) {
    fresh_root(kMiddlegame, 2);
    CalculateSingleDepth();
    const double nodes = computerNodes;
    const std::string move = computerBestMove_s.v;
    const double score = computerScore;
    const double count = rootCurrentCount;
    // Illegal preferred moves: a blocked rook, a black piece, an empty square,
    // a square off the board.
    const double cases[][4] = {{0, 7, 0, 3}, {3, 0, 3, 3}, {4, 4, 4, 3}, {9, 9, 9, 9}};
    for (const auto &p : cases) {
        fresh_root(kMiddlegame, 2);
        preferredFromX = p[0];
        preferredFromY = p[1];
        preferredToX = p[2];
        preferredToY = p[3];
        CalculateSingleDepth();
        EXPECT_EQ(computerNodes, nodes);
        EXPECT_EQ(computerBestMove_s.v, move);
        EXPECT_EQ(computerScore, score);
        EXPECT_EQ(rootCurrentCount, count);
    }
}

TEST(RootSearch, LegalPreferredMoveIsSearchedFirstAndOnce) {
    fresh_root(kMiddlegame, 1);
    preferredFromX = 7;  // h2h3
    preferredFromY = 6;
    preferredToX = 7;
    preferredToY = 5;
    CalculateSingleDepth();
    EXPECT_EQ(rootCurrentCount, CountLegalMoves(1));
    EXPECT_EQ(rootCurrentResult[0][0], move_code("h2h3"));
    int seen = 0;
    for (int i = 0; i < static_cast<int>(rootCurrentCount); ++i)
        if (rootCurrentResult[i][0] == move_code("h2h3")) ++seen;
    EXPECT_EQ(seen, 1);
}

TEST(RootSearch, IllegalHashMoveIsSkipped) {
    search_fen(kMiddlegame, 3);
    const Snapshot fresh = snapshot();
    const double nodes = computerNodes;
    // Store an illegal move (a1a5 through the own pawn) as the root's hash move.
    load_fen(kMiddlegame);
    computerPlayer = currentPlayer;
    searchAborted = 0;
    ProbeMoveHash(0, computerPlayer);
    ClearCurrentPVLine(0);
    currentPVFromX[0][0] = 0;
    currentPVFromY[0][0] = 7;
    currentPVToX[0][0] = 0;
    currentPVToY[0][0] = 3;
    currentPVValid[0][0] = 1;
    StoreMoveHash(0);
    ASSERT_EQ(ProbeMoveHash(0, computerPlayer), -1);
    computerDepth = 3;
    computerThinkSeconds = 300;
    CalculateBestMove();
    expect_same(fresh, snapshot());
    EXPECT_EQ(computerNodes, nodes);
}

TEST(RootSearch, BlackScoresAreRecordedFromBlacksSide) {
    search_fen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 2 2", 2);
    ASSERT_GT(rootPreviousCount, 1);
    double best = -2000000;
    for (int i = 0; i < static_cast<int>(rootPreviousCount); ++i)
        best = std::max(best, rootPreviousResult[i][1]);
    EXPECT_EQ(best, -computerScore);
    EXPECT_EQ(rootPreviousCount, CountLegalMoves(2));
}

TEST(RootSearch, WhiteScoresAreRecordedAsTheyAre) {
    search_fen(kMiddlegame, 2);
    double best = -2000000;
    for (int i = 0; i < static_cast<int>(rootPreviousCount); ++i)
        best = std::max(best, rootPreviousResult[i][1]);
    EXPECT_EQ(best, computerScore);
    EXPECT_EQ(rootPreviousCount, CountLegalMoves(1));
}

TEST(RootSearch, PositionIsUnchangedAfterSearchAndStop) {
    for (int stop = 0; stop <= 1; ++stop) {
        load_fen(kMiddlegame);
        const State before = state_get();
        computerPlayer = currentPlayer;
        computerDepth = 3;
        computerThinkSeconds = stop ? 0.005 : 300;
        CalculateBestMove();
        const State after = state_get();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "stop " << stop;
    }
}

}  // namespace
