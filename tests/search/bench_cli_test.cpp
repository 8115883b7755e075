// "--bench" through the real program: the shape of its two lines (rejected
// depths: cli_test), and runs that repeat byte for byte apart from the clock
// figures and match the search in-process.
#include "tests/search/search_test_util.h"

#include <regex>
#include <string>

namespace {

std::string without_clock(const std::string &out) {
    return std::regex_replace(out, std::regex(" time [0-9]+ nps [0-9]+ "), " time T nps N ");
}

TEST(BenchCli, PrintsExactLines) {
    const std::string move = "([a-h][1-8][a-h][1-8])";
    struct {
        std::initializer_list<std::string> args;
        std::string pattern;  // for the output with the clock figures blanked
    } cases[] = {
        {{"--bench"},
         "info depth 3 score cp -?[0-9]+ nodes [0-9]+ time T nps N pv " + move +
             "\nbestmove \\1\n"},
        {{"--bench", "8", "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"},
         "info depth 0 score mate 0 nodes 0 time T nps N pv \nbestmove 0000\n"},
    };
    for (const auto &c : cases) {
        const RunResult r = run_program(QUINTAR_BIN, c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(std::regex_match(without_clock(r.out), std::regex(c.pattern))) << r.out;
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
