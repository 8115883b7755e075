// The search driver end to end: mates at their distance, mated and
// stalemated sides, fallback answers, node totals over iterations, aborted
// iterations, the exact result lines, and "--bench" through the real program
// (its rejected depths: cli_test).
#include "tests/test_support.h"

namespace {

const char kMateInOne[] = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
const char kMiddlegame[] = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1BBPPP/R2QK2R w KQ - 0 8";

// Mate distances confirmed by an independent engine.
TEST(SearchDriver, FindsMatesAtTheirDistance) {
    struct {
        const char *fen;
        double depth;
        const char *move, *score;
    } cases[] = {
        {kMateInOne, 1, "a1a8", "mate 1"},
        {kMateInOne, 8, "a1a8", "mate 1"},
        {"r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", 5, "a8a1", "mate 1"},
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 4, "d5f6", "mate 2"},
        {"r1bq2r1/b4pk1/p1pp1p2/1p2pP2/1P2P1PB/3P4/1PPQ2P1/R3K2R w - - 0 1", 4, "d2h6", "mate 2"},
        {"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 4, "g2g1", "mate 2"},
        {"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 4, "g3g6", "mate 2"},
        {"1k5r/pP3ppp/3p2b1/1BN1n3/1Q2P3/P1B5/KP3P1P/7q w - - 1 1", 6, "c5a6", "mate 3"},
        {"3r1r1k/1p3p1p/p2p4/4n1NN/6bQ/1BPq4/P3p1PP/1R5K w - - 0 1", 6, "g5f7", "mate 3"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fen);
        search_fen(c.fen, c.depth);
        const std::string lines = result_lines();
        EXPECT_NE(lines.find(std::string(" score ") + c.score + " nodes "), std::string::npos);
        EXPECT_NE(lines.find(std::string("\nbestmove ") + c.move + "\n"), std::string::npos);
        // The decisive score ends the deepening at once.
        if (std::string(c.score) == "mate 1") {
            EXPECT_EQ(lines.rfind("info depth 1 ", 0), 0u) << lines;
        }
        EXPECT_LE(computerReachedDepth, c.depth);
    }
}

// search_fen's clock stands still, so the line says time 0 on any machine.
TEST(SearchDriver, MatedAndStalematedSidesHaveNoMove) {
    struct {
        const char *fen, *text;
    } cases[] = {{"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "mate 0"},
                 {"6k1/8/8/8/8/8/5PPP/r5K1 w - - 0 1", "mate 0"},
                 {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "cp 0"},
                 {"8/8/8/8/8/6k1/5q2/7K w - - 0 1", "cp 0"}};
    for (const auto &c : cases)
        for (double depth : {1.0, 8.0}) {
            search_fen(c.fen, depth);
            EXPECT_EQ(computerBestFromX, -1);
            EXPECT_EQ(result_lines(), std::string("info depth 0 score ") + c.text +
                                          " nodes 0 time 0 nps 0 pv \nbestmove 0000\n")
                << c.fen;
        }
}

// Regression: a stale answer from an earlier search must not survive a stop
// that cuts the root search of a mated position short.
TEST(SearchDriver, StopBeforeMatedSearchStillReportsNoMove) {
    search_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1);
    ASSERT_GE(computerBestFromX, 0);
    ASSERT_EQ(set_fen("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"), 1);
    stop_requested.store(1);
    search_position(1);
    stop_requested.store(0);
    EXPECT_EQ(computerBestFromX, -1);
    EXPECT_STREQ(computerBestMove_s.v, "---");
    EXPECT_EQ(computerScore, kMateScore);
    EXPECT_EQ(computerNodes, 0);
}

// No time, no depth or a stop before the first iteration: the first legal
// move in scan order (rank 8 down) with the static score at depth 0, whatever
// the clock's grain; a clock that never moves at all included.
TEST(SearchDriver, FallbackIsFirstLegalMoveWithStaticScore) {
    const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    struct {
        const char *fen;
        double depth, seconds;
        bool stop;
        const char *move;
    } cases[] = {
        {start, 8, 0, false, "a2a4"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", 8, 0, false, "b8a6"},
        {start, 0, 10, false, "a2a4"},
        {"8/4P1k1/8/8/8/8/8/K7 w - - 0 1", 8, 0, false, "e7e8q"},
        {"k7/8/8/8/8/8/1r6/K1r5 w - - 0 1", 8, 0, false, "a1b2"},
        {kMateInOne, -3, 10, false, "a1a8"},
        {kMiddlegame, 5, 300, true, "c4c5"},
    };
    for (const auto &c : cases)
        for (double grain : {0, 4, 15, 50}) {
            SCOPED_TRACE(::testing::Message() << c.fen << ", grain " << grain);
            TestClock clock(grain);
            load_fen(c.fen);
            const double staticScore = EvaluateBoard();
            stop_requested.store(c.stop);
            search_position(c.depth, c.seconds);
            stop_requested.store(0);
            EXPECT_STREQ(computerBestMove_s.v, c.move);
            EXPECT_EQ(computerScore, staticScore);
            EXPECT_EQ(computerReachedDepth, 0);
            EXPECT_EQ(computerNodes, 0);
        }
}

// What a search leaves for the answer and for the next search's ordering.
std::vector<double> outcome() {
    std::vector<double> s = {double(text_code(computerBestMove_s.v)), computerScore,
                             computerReachedDepth, learningChoiceUsed, rootPreviousCount};
    for (int p = 0; p < 12; ++p)
        if (preferredPVValid[p] != 0)
            s.push_back(move_code(preferredPVFromX[p], preferredPVFromY[p], preferredPVToX[p],
                                  preferredPVToY[p]));
    for (int i = 0; i < static_cast<int>(rootPreviousCount); ++i) {
        s.push_back(rootPreviousResult[i][kResultCode]);
        s.push_back(rootPreviousResult[i][kResultScore]);
    }
    return s;
}

// An aborted iteration counts its nodes but never changes the answer, the
// preferred line or the ordering input of the last finished iteration.  A
// finished or stopped search leaves the position as it was.  The clock moves
// 10 microseconds at each reading, so each budget stops the search at the
// same node on any machine.
TEST(SearchDriver, AbortedIterationLeavesAnswerLineAndOrdering) {
    constexpr double kStepMs = 0.01;
    load_fen(kMiddlegame);
    const std::string start = state_bytes();
    const auto expect_position_kept = [&start](double seconds) {
        EXPECT_TRUE(state_bytes() == start) << seconds;
    };
    std::vector<double> perIteration;
    double before = 0;
    for (int d = 1; d <= 4; ++d) {
        search_fen(kMiddlegame, d);
        perIteration.push_back(computerNodes - before);
        before = computerNodes;
    }
    bool stoppedAfter[5] = {};
    for (double seconds : {0.002, 0.01, 0.03, 0.05, 0.1, 0.3, 1.0}) {
        search_fen(kMiddlegame, 8, seconds, kStepMs);
        expect_position_kept(seconds);
        const int reached = static_cast<int>(computerReachedDepth);
        if (reached == 0 || reached > 4) continue;
        ASSERT_EQ(searchAborted, 1);
        const std::vector<double> timed = outcome();
        double finished = 0;
        for (int d = 0; d < reached; ++d) finished += perIteration[d];
        EXPECT_GE(computerNodes, finished) << seconds;
        if (reached < 4) {
            EXPECT_LE(computerNodes, finished + perIteration[reached]) << seconds;
        }
        search_fen(kMiddlegame, reached);
        expect_position_kept(seconds);
        EXPECT_EQ(timed, outcome()) << seconds;
        stoppedAfter[reached] = true;
    }
    for (int d = 1; d <= 3; ++d)
        EXPECT_TRUE(stoppedAfter[d]) << "no budget stopped the search after iteration " << d;
}

// What searchIterationDone heard: the iteration's answer and the totals.
struct IterationReport {
    double depth, score;
    std::string move;
    double nodes, ms;
};
std::vector<IterationReport> g_reports;
double g_stopAfterDepth = 0;  // the report of this depth asks for a stop

void record_iteration(double nodes, double ms) {
    g_reports.push_back({computerReachedDepth, computerScore, computerBestMove_s.v, nodes, ms});
    if (computerReachedDepth == g_stopAfterDepth) stop_requested.store(1);
}

// Every finished iteration is reported once, in order, with the answer it
// leaves; an iteration cut short is not.  The report changes nothing in the
// search itself.
TEST(SearchDriver, ReportsEachFinishedIteration) {
    const struct {
        const char *fen;
        double depth, stopAfter, reached;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 4, 0, 4},
        {kMiddlegame, 3, 0, 3},
        {kMateInOne, 8, 0, 1},  // the mate ends the deepening
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 3, 0, 3},
        {kMiddlegame, 8, 2, 2},  // stopped during the third iteration
        {kMiddlegame, 8, 1, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " depth " + std::to_string(c.depth));
        // The answer, ordering input and nodes of the same search unreported.
        std::vector<double> unreported;
        if (c.stopAfter == 0) {
            search_fen(c.fen, c.depth);
            unreported = outcome();
            unreported.push_back(computerNodes);
        }

        TestClock clock;
        g_reports.clear();
        g_stopAfterDepth = c.stopAfter;
        load_fen(c.fen);
        searchIterationDone = record_iteration;
        search_position(c.depth);
        searchIterationDone = nullptr;
        stop_requested.store(0);

        EXPECT_EQ(computerReachedDepth, c.reached);
        ASSERT_EQ(g_reports.size(), static_cast<size_t>(c.reached));
        for (size_t i = 0; i < g_reports.size(); ++i) {
            EXPECT_EQ(g_reports[i].depth, static_cast<double>(i + 1));
            EXPECT_GE(g_reports[i].ms, 0);
            if (i > 0) {
                EXPECT_GT(g_reports[i].nodes, g_reports[i - 1].nodes) << i;
                EXPECT_GE(g_reports[i].ms, g_reports[i - 1].ms) << i;
            }
        }
        const IterationReport &last = g_reports.back();
        EXPECT_EQ(last.move, computerBestMove_s.v);
        EXPECT_EQ(last.score, computerScore);
        // After a stop too: it is seen before the next iteration searches a node.
        EXPECT_EQ(last.nodes, computerNodes);
        std::vector<double> reported = outcome();
        reported.push_back(computerNodes);
        if (c.stopAfter == 0) {
            EXPECT_EQ(reported, unreported);
        } else {
            EXPECT_EQ(searchAborted, 1);
        }
    }
}

// Scores are White's, the text the engine's side's: Black's text for a
// score is White's for the score negated.
TEST(ResultLines, ScoreTextFromEitherSide) {
    const std::pair<double, const char *> cases[] = {
        {899999, "mate 1"},    {899997, "mate 2"},     {-899999, "mate -1"},
        {-899997, "mate -2"},  {800000, "mate 50000"}, {-800000, "mate -50000"},
        {799999, "cp 799999"}, {123.7, "cp 123"},      {-123.7, "cp -123"},
        {-900000, "mate 0"},
    };
    for (const auto &c : cases)
        for (const double player : {1, 2}) {
            reset_engine();
            computerPlayer = player;
            computerScore = player == 1 ? c.first : -c.first;
            char buf[64];
            score_text(buf, sizeof buf);
            EXPECT_STREQ(buf, c.second) << player << " " << computerScore;
        }
}

TEST(ResultLines, PrintsBothLinesExactly) {
    struct {
        double depth, nodes, ms, fromX;
        const char *move, *expected;
    } cases[] = {
        {5, 12345, 250, 4, "e2e4",
         "info depth 5 score cp 35 nodes 12345 time 250 nps 49380 pv e2e4\nbestmove e2e4\n"},
        {1, 20, 0, 0, "a2a4",  // zero time counts as one millisecond for nps
         "info depth 1 score cp 35 nodes 20 time 0 nps 20000 pv a2a4\nbestmove a2a4\n"},
        {3, 7, 2.9, 6, "g7g8q",
         "info depth 3 score cp 35 nodes 7 time 2 nps 2413 pv g7g8q\nbestmove g7g8q\n"},
        {0, 0, 0, -1, "---", "info depth 0 score cp 35 nodes 0 time 0 nps 0 pv \nbestmove 0000\n"},
    };
    for (const auto &c : cases) {
        reset_engine();
        computerPlayer = 1;
        computerScore = 35;
        computerReachedDepth = c.depth;
        computerNodes = c.nodes;
        computerSearchMilliseconds = c.ms;
        computerBestFromX = c.fromX;
        computerBestMove_s = hs(c.move);
        EXPECT_EQ(result_lines(), c.expected);
        // An iteration's line is the same info line, with the nodes and
        // time passed to it.
        computerNodes = computerSearchMilliseconds = -1;
        const std::string expected = c.expected;
        EXPECT_EQ(captured_stdout([&c] { emit_iteration(c.nodes, c.ms); }),
                  expected.substr(0, expected.find('\n') + 1));
    }
}

// "--bench" alone searches the start position at depth 3; runs repeat byte
// for byte and match the search in-process (whose lines the result-line
// tests pin).
TEST(BenchCli, RepeatsExactlyAndMatchesInProcessSearch) {
    const auto without_clock = [](const std::string &out) {
        return regex_replaced(out, " time [0-9]+ nps [0-9]+ ", " time T nps N ");
    };
    const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const RunResult a = run_program(QUINTAR_BIN, {"--bench"});
    const RunResult b = run_program(QUINTAR_BIN, {"--bench", "3", start});
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.err, "");
    EXPECT_EQ(without_clock(a.out), without_clock(b.out));
    search_fen(start, 3);
    EXPECT_EQ(without_clock(a.out), without_clock(result_lines()));
}

}  // namespace
