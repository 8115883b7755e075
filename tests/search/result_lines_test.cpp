// The info and bestmove lines: score text for mates and centipawns from
// either side, and the exact bytes of both lines with and without a move.
#include "search_test_util.h"

#include <string>

namespace {

struct ScoreCase {
    double player;
    double score;
    const char *text;
};

class ScoreText : public testing::TestWithParam<ScoreCase> {};

TEST_P(ScoreText, MatchesUciConvention) {
    reset_engine();
    computerPlayer = GetParam().player;
    computerScore = GetParam().score;
    char buf[64];
    score_text(buf, sizeof buf);
    EXPECT_STREQ(buf, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(BothSides, ScoreText,
                         testing::Values(
                             // White to move: White-positive scores are the engine's own.
                             ScoreCase{1, 899999, "mate 1"}, ScoreCase{1, 899998, "mate 1"},
                             ScoreCase{1, 899997, "mate 2"}, ScoreCase{1, 899995, "mate 3"},
                             ScoreCase{1, -899999, "mate -1"}, ScoreCase{1, -899998, "mate -1"},
                             ScoreCase{1, 800000, "mate 50000"},
                             ScoreCase{1, -800000, "mate -50000"},
                             ScoreCase{1, 799999, "cp 799999"}, ScoreCase{1, 123.7, "cp 123"},
                             ScoreCase{1, -123.7, "cp -123"}, ScoreCase{1, 0, "cp 0"},
                             ScoreCase{1, -900000, "mate 0"}, ScoreCase{1, 950000, "mate 0"},
                             // Black to move: the sign flips, the mate distance does not.
                             ScoreCase{2, 899999, "mate -1"}, ScoreCase{2, -899999, "mate 1"},
                             ScoreCase{2, 899997, "mate -2"}, ScoreCase{2, -899997, "mate 2"},
                             ScoreCase{2, 800000, "mate -50000"}, ScoreCase{2, 123.7, "cp -123"},
                             ScoreCase{2, -123.7, "cp 123"}, ScoreCase{2, 900000, "mate 0"}));

struct LineCase {
    const char *name;
    double depth, nodes, ms, fromX;
    const char *move;
    const char *expected;
};

class ResultLines : public testing::TestWithParam<LineCase> {};

TEST_P(ResultLines, PrintsBothLinesExactly) {
    const LineCase &c = GetParam();
    reset_engine();
    computerPlayer = 1;
    computerScore = 35;
    computerReachedDepth = c.depth;
    computerNodes = c.nodes;
    computerSearchMilliseconds = c.ms;
    computerBestFromX = c.fromX;
    computerBestMove_s = hs(c.move);
    EXPECT_EQ(result_lines(), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultLines,
    testing::Values(
        LineCase{"normal", 5, 12345, 250, 4, "e2e4",
                 "info depth 5 score cp 35 nodes 12345 time 250 nps 49380 pv e2e4\n"
                 "bestmove e2e4\n"},
        LineCase{"zero time counts as one millisecond", 1, 20, 0, 0, "a2a4",
                 "info depth 1 score cp 35 nodes 20 time 0 nps 20000 pv a2a4\n"
                 "bestmove a2a4\n"},
        LineCase{"time truncated", 3, 7, 2.9, 6, "g7g8q",
                 "info depth 3 score cp 35 nodes 7 time 2 nps 2413 pv g7g8q\n"
                 "bestmove g7g8q\n"},
        LineCase{"node count beyond 32 bits", 8, 5000000000.0, 1000, 1, "b1c3",
                 "info depth 8 score cp 35 nodes 5000000000 time 1000 nps 5000000000 pv b1c3\n"
                 "bestmove b1c3\n"},
        LineCase{"no move", 0, 0, 0, -1, "---",
                 "info depth 0 score cp 35 nodes 0 time 0 nps 0 pv \n"
                 "bestmove 0000\n"}));

}  // namespace
