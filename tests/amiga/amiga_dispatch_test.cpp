// The AmigaOS program's command-line dispatch on the stand-in layer:
// agreement with the Linux program on every mode they share, and the
// request-file protocol with its cancel file.
#include "tests/amiga/amiga_support.h"

namespace {

const std::string kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// Byte for byte as the Linux program answers (apart from the search time
// and speed), whose exact answers the command-line tests check; the
// journal shows every service given back.
TEST(AmigaDispatch, AgreesWithTheLinuxProgram) {
    QUIN_REQUIRE_AMIGA_BIN();
    const std::string mid = "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4";
    const std::string end = "8/8/4k3/8/8/3K4/4P3/8 w - - 0 1";
    const std::vector<std::vector<std::string>> cases = {
        {"--perft"},
        {"--perft", "0"},
        {"--perft", "2", kKiwipete},
        {"--perft", "1", "8/P7/8/8/8/8/8/k6K w - - 0 1"},  // 4 promotions
        {"--perft", "3", mid},
        {"--perft", "1", "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR z KQkq - 0 1"},
        {"--perft", "7"},
        {"--perft", "-1"},
        {"--perft", "4294967297"},
        {"--perft", "1", "not a position"},
        {"--eval"},
        {"--eval", "0", mid},
        {"--eval", "x", end},
        {"--bench"},
        {"--bench", "2", mid},
        {"--bench", "3", kKiwipete},
        {"--bench", "4", end},
        {"--bench", "0"},
        {"--bench", "9"},
        {"--frob", "1", "not a position"},  // FEN checked first
        {"--frob"},
        {"--PERFT"},
        {"--status", "x"},
        {"--request"},
        {"uci"},
    };
    const std::string timing = " time [0-9]+ nps [0-9]+";
    for (const auto &words : cases) {
        SCOPED_TRACE(::testing::PrintToString(words));
        const RunResult linux_run = run_program(QUINTAR_BIN, words, "uci\nquit\n");
        const AmigaRun amiga_run = run_amiga(words, "", "uci\nquit\n");
        EXPECT_EQ(amiga_run.result.status, linux_run.status);
        EXPECT_EQ(regex_replaced(amiga_run.result.out, timing, ""),
                  regex_replaced(linux_run.out, timing, ""));
        EXPECT_EQ(amiga_run.result.err, linux_run.err);
        expect_clean_journal(amiga_run);
    }
}

TEST(AmigaDispatch, RequestFileAnsweredAsByTheLinuxProgram) {
    QUIN_REQUIRE_AMIGA_BIN();
    std::string responses[2];
    for (int amiga = 0; amiga < 2; ++amiga) {
        const std::string path = make_temp_dir() + "/req.txt";
        write_file(path,
                   "QUINTAR_C_REQUEST_1\ntok-amiga\n5000 3 1024 1 1 0 1\n"
                   "position startpos moves e2e4 e7e5 g1f3\n");
        RunResult r = amiga ? run_amiga({"--request", path}).result
                            : run_program(QUINTAR_BIN, {"--request", path});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(file_exists(path + ".response.tmp"));
        std::istringstream in(read_file(path + ".response"));
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)  // line 7, the time, blanked
            responses[amiga] += (n == 7 ? "T" : line) + "\n";
    }
    EXPECT_EQ(responses[1].rfind("tok-amiga\nOK\n", 0), 0u) << responses[1];
    EXPECT_EQ(responses[1], responses[0]);
}

TEST(AmigaDispatch, CancelFileStopsTheSearchOnTheTimerDeviceClock) {
    QUIN_REQUIRE_AMIGA_BIN();
    // A deep search with a long limit that only the cancel file can end soon.
    const std::string path = make_temp_dir() + "/req.txt";
    write_file(path, "QUINTAR_C_REQUEST_1\ntok\n300000 8 1024 1 1 0 1\nposition startpos\n");
    write_file(path + ".cancel", "");
    AmigaRun run = run_amiga({"--request", path});
    EXPECT_EQ(run.result.status, 0) << run.result.err;
    for (const char *suffix : {"", ".cancel", ".response"})
        EXPECT_FALSE(file_exists(path + suffix)) << suffix;
    expect_clean_journal(run);
}

}  // namespace
