// The AmigaOS program's command-line dispatch, end to end on the stand-in
// layer: exact outputs and statuses, agreement with the Linux program on
// every mode they share, and the request-file protocol with its cancel file.
#include "amiga_support.h"

#include <regex>

namespace {

const std::string kUsage = "Usage: --perft|--bench depth [FEN], --eval 0 [FEN]\n";
const std::string kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

struct Expectation {
    std::vector<std::string> words;
    int status;
    std::string out;
    std::string err;
};

TEST(AmigaDispatch, ExactOutputsAndStatuses) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::vector<Expectation> cases = {
        {{"--perft"}, 0, "8902\n", ""},
        {{"--perft", "0"}, 0, "1\n", ""},
        {{"--perft", "2"}, 0, "400\n", ""},
        {{"--perft", "2", kKiwipete}, 0, "2039\n", ""},
        // A lone pawn on the seventh: four promotions plus three king moves.
        {{"--perft", "1", "8/P7/8/8/8/8/8/k6K w - - 0 1"}, 0, "7\n", ""},
        {{"--perft", "7"}, 2, "", ""},
        {{"--perft", "-1"}, 2, "", ""},
        {{"--perft", "4294967297"}, 2, "", ""},
        {{"--perft", "99999999999999999999999"}, 2, "", ""},
        {{"--bench", "0"}, 2, "", ""},
        {{"--bench", "9"}, 2, "", ""},
        {{"--bench", "-3"}, 2, "", ""},
        {{"--perft", "1", "not a position"}, 2, "", "Invalid FEN\n"},
        // The FEN is checked before an unknown word is noticed.
        {{"--frob", "1", "not a position"}, 2, "", "Invalid FEN\n"},
        {{"--frob"}, 2, "", kUsage},
        {{"--frob", "1"}, 2, "", kUsage},
        {{"--PERFT"}, 2, "", kUsage},
        {{"--status", "x"}, 2, "", kUsage},
        {{"--request"}, 2, "", kUsage},
        {{"uci"}, 2, "", kUsage},
    };
    for (const Expectation &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.words));
        AmigaRun run = run_amiga(c.words, "", "uci\nquit\n");
        EXPECT_EQ(run.result.status, c.status);
        EXPECT_EQ(run.result.out, c.out);
        EXPECT_EQ(run.result.err, c.err);
        expect_clean_journal(run);
    }
}

// The info line's time and speed depend on the machine; everything else of
// a search result must agree byte for byte.
std::string without_timing(const std::string &text) {
    static const std::regex timing(" time [0-9]+ nps [0-9]+");
    return std::regex_replace(text, timing, " time T nps N");
}

TEST(AmigaDispatch, AgreesWithTheLinuxProgramOnSharedModes) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string midgame =
        "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4";
    const std::string endgame = "8/8/4k3/8/8/3K4/4P3/8 w - - 0 1";
    const std::vector<std::vector<std::string>> cases = {
        {"--eval"},
        {"--eval", "0", midgame},
        {"--eval", "x", endgame},
        {"--eval", "0", kKiwipete},
        {"--bench"},
        {"--bench", "1"},
        {"--bench", "2", midgame},
        {"--bench", "3", kKiwipete},
        {"--bench", "4", endgame},
        {"--perft", "3", midgame},
        {"--perft", "1", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR z KQkq - 0 1"},
    };
    for (const auto &words : cases) {
        SCOPED_TRACE(::testing::PrintToString(words));
        RunResult linux_run = run_words(QUINTAR_BIN, words);
        AmigaRun amiga_run = run_amiga(words);
        EXPECT_EQ(amiga_run.result.status, linux_run.status);
        EXPECT_EQ(without_timing(amiga_run.result.out), without_timing(linux_run.out));
        EXPECT_EQ(amiga_run.result.err, linux_run.err);
        EXPECT_FALSE(amiga_run.result.out.empty() && amiga_run.result.err.empty());
    }
}

// The request's response lines, with the search time (line 7) blanked.
std::string response_without_time(const std::string &text) {
    std::istringstream in(text);
    std::string out, line;
    for (int n = 1; std::getline(in, line); ++n) out += (n == 7 ? "T" : line) + "\n";
    return out;
}

TEST(AmigaDispatch, RequestFileAnsweredAsByTheLinuxProgram) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string request =
        "QUINTAR_C_REQUEST_1\ntok-amiga\n5000 3 1024 1 1 0 1\n"
        "position startpos moves e2e4 e7e5 g1f3\n";
    std::string responses[2];
    for (int which = 0; which < 2; ++which) {
        const std::string path = make_temp_dir() + "/req.txt";
        write_file(path, request);
        RunResult r = which == 0 ? run_program(QUINTAR_BIN, {"--request", path})
                                 : run_amiga({"--request", path}).result;
        EXPECT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(file_exists(path + ".response"));
        EXPECT_FALSE(file_exists(path + ".response.tmp"));
        responses[which] = read_file(path + ".response");
    }
    EXPECT_EQ(responses[1].rfind("tok-amiga\nOK\n", 0), 0u) << responses[1];
    EXPECT_EQ(response_without_time(responses[1]), response_without_time(responses[0]));
}

TEST(AmigaDispatch, CancelFileStopsTheSearchOnTheTimerDeviceClock) {
    QUIN_REQUIRE_AMIGA_BIN();
    // A deep search with a long limit: only the cancel file can end it soon.
    const std::string path = make_temp_dir() + "/req.txt";
    write_file(path, "QUINTAR_C_REQUEST_1\ntok\n300000 8 1024 1 1 0 1\nposition startpos\n");
    write_file(path + ".cancel", "");
    AmigaRun run = run_amiga({"--request", path});
    EXPECT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_FALSE(file_exists(path + ".response"));
    EXPECT_FALSE(file_exists(path));
    EXPECT_FALSE(file_exists(path + ".cancel"));
    expect_clean_journal(run);
}

TEST(AmigaDispatch, MalformedRequestFailsWithStatusTwo) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string path = make_temp_dir() + "/req.txt";
    write_file(path, "QUINTAR_C_REQUEST_1\ntok\n1000 9 0 1 1 0 1\nposition startpos\n");
    AmigaRun run = run_amiga({"--request", path});
    EXPECT_EQ(run.result.status, 2);
    EXPECT_EQ(run.result.err, "Quintar request error: Search parameters out of range\n");
    EXPECT_EQ(read_file(path + ".response"), "tok\nERROR\nSearch parameters out of range\n");
    expect_clean_journal(run);
}

}  // namespace
