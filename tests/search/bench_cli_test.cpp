// "--bench" end to end through the real program: the exact shape of its two
// lines, mates and positions without a move, rejected depths, and runs that
// repeat byte for byte apart from the clock figures.
#include "search_test_util.h"

#include <regex>
#include <string>

namespace {

// The output with the time and nps figures blanked.
std::string without_clock(const std::string &out) {
    return std::regex_replace(out, std::regex(" time [0-9]+ nps [0-9]+ "), " time T nps N ");
}

TEST(BenchCli, DefaultSearchesStartPositionToDepthThree) {
    const RunResult r = run_program(QUINTAR_BIN, {"--bench"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        r.out, m,
        std::regex("info depth 3 score cp -?[0-9]+ nodes [0-9]+ time [0-9]+ nps [0-9]+ pv "
                   "([a-h][1-8][a-h][1-8])\nbestmove ([a-h][1-8][a-h][1-8])\n")))
        << r.out;
    EXPECT_EQ(m[1], m[2]);
}

struct CliCase {
    const char *depth;
    const char *fen;
    const char *expected;  // output with the clock figures blanked
};

class BenchOutput : public testing::TestWithParam<CliCase> {};

TEST_P(BenchOutput, PrintsExactLines) {
    const CliCase &c = GetParam();
    const RunResult r = run_program(QUINTAR_BIN, {"--bench", c.depth, c.fen});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(without_clock(r.out), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BenchOutput,
    testing::Values(CliCase{"8", "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1",
                            "info depth 0 score mate 0 nodes 0 time T nps N pv \nbestmove 0000\n"},
                    CliCase{"3", "6k1/8/8/8/8/8/5PPP/r5K1 w - - 0 1",
                            "info depth 0 score mate 0 nodes 0 time T nps N pv \nbestmove 0000\n"},
                    CliCase{"5", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
                            "info depth 0 score cp 0 nodes 0 time T nps N pv \nbestmove 0000\n"}));

TEST(BenchCli, MateInOneAtEveryDepth) {
    for (const char *depth : {"1", "2", "5", "8"}) {
        const RunResult r =
            run_program(QUINTAR_BIN, {"--bench", depth, "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(std::regex_match(
            r.out, std::regex("info depth 1 score mate 1 nodes [0-9]+ time [0-9]+ nps [0-9]+ "
                              "pv a1a8\nbestmove a1a8\n")))
            << depth << ": " << r.out;
    }
}

TEST(BenchCli, RejectsDepthsOutsideOneToEight) {
    for (const char *depth : {"0", "9", "-1", "x", "100"}) {
        const RunResult r = run_program(QUINTAR_BIN, {"--bench", depth});
        EXPECT_EQ(r.status, 2) << depth;
        EXPECT_EQ(r.out, "") << depth;
        EXPECT_EQ(r.err, "") << depth;
    }
}

TEST(BenchCli, RepeatsExactlyAndMatchesInProcessSearch) {
    const char *fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1BBPPP/R2QK2R w KQ - 0 8";
    const RunResult a = run_program(QUINTAR_BIN, {"--bench", "4", fen});
    const RunResult b = run_program(QUINTAR_BIN, {"--bench", "4", fen});
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(without_clock(a.out), without_clock(b.out));
    search_fen(fen, 4);
    EXPECT_EQ(without_clock(a.out), without_clock(result_lines()));
}

}  // namespace
