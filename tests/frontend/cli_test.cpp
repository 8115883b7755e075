// The command line, run as a user runs it: outputs, silences and statuses.
#include "tests/test_support.h"

namespace {

const char kUsage[] = "Usage: --perft|--bench depth [FEN], --eval 0 [FEN]\n";
const char kStatus[] =
    "Quintar C-Engine: OK, bin da.\nProgrammstart erfolgreich. Keine Schachberechnung "
    "ausgefuehrt.\n";

struct CliCase {
    std::initializer_list<std::string> args;
    int status;
    const char *out;
    const char *err;
};

TEST(CommandLine, Rows) {
    const CliCase cases[] = {
        {{"--status"}, 0, kStatus, ""},
        {{"--status", "x"}, 2, "", kUsage},
        {{"--perft"}, 0, "8902\n", ""},
        {{"--perft", "0"}, 0, "1\n", ""},
        {{"--perft", "2"}, 0, "400\n", ""},
        {{"--perft", "7"}, 2, "", ""},
        {{"--perft", "-1"}, 2, "", ""},
        {{"--perft", "abc"}, 0, "1\n", ""},
        {{"--perft", "4294967297"}, 2, "", ""},
        {{"--perft", "99999999999999999999"}, 2, "", ""},
        {{"--bench", "4294967297"}, 2, "", ""},
        {{"--bench", "-4294967295"}, 2, "", ""},
        {{"--perft", "1", "8/8/8/8/8/8/8/K6k w - - 0 1"}, 0, "3\n", ""},
        {{"--perft", "1", "not a fen"}, 2, "", "Invalid FEN\n"},
        {{"--perft", "1", "8/8/8/8/8/8/8/K6k w - - 0 1", "ignored"}, 0, "3\n", ""},
        {{"--frobnicate", "3", "bad"}, 2, "", "Invalid FEN\n"},
        {{"--frobnicate"}, 2, "", kUsage},
        {{"--frobnicate", "3"}, 2, "", kUsage},
        {{"--request"}, 2, "", kUsage},
        {{"--PERFT", "1"}, 2, "", kUsage},
        {{"--bench", "0"}, 2, "", ""},
        {{"--bench", "9"}, 2, "", ""},
        {{"--bench", "x"}, 2, "", ""},
        {{"--bench", "0", "bad fen"}, 2, "", "Invalid FEN\n"},
        {{""}, 2, "", kUsage},
        {{"--eval"}, 0, "0\n", ""},
        {{"--eval", "0", "k7/8/K7/8/8/8/8/1R6 w - - 0 1"}, 0, "989\n", ""},
        {{"--eval", "x", "4k3/4p3/8/8/8/8/8/4K3 b - - 0 1"}, 0, "-127\n", ""},
        {{"--eval", "0", "not a fen"}, 2, "", "Invalid FEN\n"},
    };
    for (const CliCase &c : cases) {
        const RunResult r = run_program(QUINTAR_BIN, c.args);
        std::string shown;
        for (const std::string &a : c.args) shown += "[" + a + "]";
        EXPECT_EQ(r.status, c.status) << shown;
        EXPECT_EQ(r.out, c.out) << shown;
        EXPECT_EQ(r.err, c.err) << shown;
    }
}

// Whatever words are given, the program answers with a count, the usage
// line, "Invalid FEN" or a search, and never crashes.
TEST(CommandLine, ArbitraryWordsNeverCrash) {
    const std::initializer_list<std::string> inputs[] = {
        {"--perft", "3", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"},
        {"--perft", "2", "8/8/8/8/8/8/8/K6k w - zz 99999999999999 -5"},
        {"--perft", "99999999999999999999"},
        {"--perft", "1", std::string(5000, 'K')},
        {"--eval", "0", "\xff\xfe/8/8/8/8/8/8/K6k w - -"},
        {"--perft", "1", "8/8/8/8/8/8/8/K6k w - - -0 1"},
    };
    for (const auto &args : inputs) {
        const RunResult r = run_program(QUINTAR_BIN, args);
        EXPECT_TRUE(r.status == 0 || r.status == 2) << r.status;
        if (r.status == 2) {
            EXPECT_TRUE(r.err == "Invalid FEN\n" || r.err == kUsage || r.err.empty());
        }
    }
}

}  // namespace
