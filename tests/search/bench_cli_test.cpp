// "--bench" through the real program (rejected depths: cli_test).
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string without_clock(const std::string &out) {
    return regex_replaced(out, " time [0-9]+ nps [0-9]+ ", " time T nps N ");
}

// "--bench" alone searches the start position at depth 3; runs repeat byte
// for byte and match the search in-process (whose lines the result-line
// tests pin).
TEST(BenchCli, RepeatsExactlyAndMatchesInProcessSearch) {
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
