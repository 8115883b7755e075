// The UCI commands in-process: what each prints, which engine state it
// keeps or changes, and the limits a go line sets.
#include "frontend/quintar.h"
#include "frontend/uci_search.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Runs the lines through the session and returns everything they printed.
std::string handle(const std::vector<std::string> &lines) {
    std::fflush(stdout);
    const int saved = dup(1);
    FILE *tmp = std::tmpfile();
    dup2(fileno(tmp), 1);
    for (std::string l : lines) uci_handle_line(&l[0]);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string out;
    std::rewind(tmp);
    for (int ch; (ch = std::fgetc(tmp)) != EOF;) out += static_cast<char>(ch);
    std::fclose(tmp);
    return out;
}

// The engine state, compared whole, with the history counters and key.
std::string snapshot() {
    const State s = state_get();
    return std::string(reinterpret_cast<const char *>(&s), sizeof s) + PositionKey_s().v + "/" +
           std::to_string(moveCount) + "/" + std::to_string(positionCount);
}

// The state that set_fen(fen) and the moves give.
std::string expected_state(const char *fen, const std::vector<const char *> &moves) {
    reset_engine();
    EXPECT_EQ(set_fen(fen), 1) << fen;
    for (const char *m : moves) EXPECT_EQ(apply_uci(m), 1) << m;
    return snapshot();
}

const char kKings[] = "8/8/8/8/8/8/8/K6k w - - 0 1";
const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char kPromo[] = "8/4P3/8/8/8/8/8/K6k w - - 0 1";
const char kBadPos[] = "info string invalid position\n";
const char kBadMove[] = "info string invalid move in position\n";

// Each line runs after "position fen" of two bare kings, so a position that
// is kept shows as those kings.
TEST(UciSession, PositionCommands) {
    const struct {
        const char *line, *output, *fen;  // the position afterwards: fen ...
        std::vector<const char *> moves;  // ... and these moves
    } cases[] = {
        {"position startpos", "", kStart, {}},
        {"position startpos moves   e2e4  e7e5  ", "", kStart, {"e2e4", "e7e5"}},
        {"position startpos moves ", "", kStart, {}},
        // clang-format off
        {"position startpos moves e2e4 e7e6 e4e5 d7d5 e5d6", "", kStart, {"e2e4", "e7e6", "e4e5", "d7d5", "e5d6"}},
        {"position startpos moves g1f3 g8f6 g2g3 g7g6 f1g2 f8g7 e1g1", "", kStart, {"g1f3", "g8f6", "g2g3", "g7g6", "f1g2", "f8g7", "e1g1"}},
        // clang-format on
        {"position fen 8/8/8/8/8/8/8/k6K w - -", "", "8/8/8/8/8/8/8/k6K w - - 0 1", {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8n", "", kPromo, {"e7e8n"}},
        // Not "startpos" exactly, or a bad FEN: the old position stays.
        {"position startpos ", kBadPos, kKings, {}},
        {"position startpos moves", kBadPos, kKings, {}},
        {"position  startpos", kBadPos, kKings, {}},
        // clang-format off
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1", kBadPos, kKings, {}},
        // clang-format on
        {"position fen 8/8/8/8/8/8/8/K6k x - - 0 1", kBadPos, kKings, {}},
        // A rejected move keeps the moves before it.
        {"position startpos moves e2e4 e7e5 e1e3 g1f3", kBadMove, kStart, {"e2e4", "e7e5"}},
        {"position startpos moves e7e5", kBadMove, kStart, {}},
        {"position startpos moves e2e4x", kBadMove, kStart, {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8", kBadMove, kPromo, {}},
        // Not position commands at all.
        {"position", "", kKings, {}},
        {" position startpos", "", kKings, {}},
    };
    for (const auto &c : cases) {
        reset_engine();
        ASSERT_EQ(handle({std::string("position fen ") + kKings}), "");
        EXPECT_EQ(handle({c.line}), c.output) << c.line;
        const std::string got = snapshot();
        EXPECT_TRUE(got == expected_state(c.fen, c.moves)) << c.line;
    }
}

TEST(UciSession, HashOptionSwitchesTheEvaluationCache) {
    const std::pair<const char *, double> cases[] = {
        {"setoption name Hash value 0", 0},        {"setoption name Hash value 1", 1024},
        {"setoption name Hash value 16", 1024},    {"setoption name Hash value -5", 1024},
        {"setoption name Hash value", 0},          {"setoption name Hash value00", 0},
        {"setoption name Hash value 0 please", 0}, {"setoption name Hash value 4294967296", 1024},
    };
    for (const auto &c : cases)
        for (const char *from : {"setoption name Hash value 0", "setoption name Hash value 1"}) {
            reset_engine();
            handle({from});
            EXPECT_EQ(handle({c.first}), "");
            EXPECT_EQ(evalHashKB, c.second) << c.first << " after " << from;
        }
    // Other spellings are not the option.
    for (const char *line : {"setoption name hash value 0", "setoption name Hash  value 0",
                             "setoption Hash value 0"}) {
        reset_engine();
        handle({line});
        EXPECT_EQ(evalHashKB, 1024) << line;
    }
}

TEST(UciSession, NewGameRestoresTheStartPositionAndKeepsTheCacheSize) {
    for (double kb : {0.0, 1024.0}) {
        reset_engine();
        handle({kb == 0 ? "setoption name Hash value 0" : "setoption name Hash value 1",
                "position startpos moves e2e4 e7e5 g1f3"});
        EXPECT_EQ(handle({"ucinewgame"}), "");
        EXPECT_EQ(evalHashKB, kb);
        const std::string got = snapshot();
        EXPECT_TRUE(got == expected_state(kStart, {}));
        for (int i = 1; i <= 1000; i++) ASSERT_STREQ(positionHistory_s[i].v, "") << i;
    }
}

TEST(UciGoLimits, LimitsOfTheGoLine) {
    const struct {
        double side;
        const char *line;
        double depth, seconds;
        int infinite;
    } cases[] = {
        {1, "go", 8, 10, 0},
        {1, "go depth 5", 5, 300, 0},
        {1, "go depth 0", 1, 300, 0},
        {1, "go depth 12", 8, 300, 0},
        {1, "go movetime 1000", 8, 1, 0},
        {1, "go movetime -70", 8, 0.001, 0},
        {1, "go depth 5 movetime 2000", 5, 2, 0},
        {1, "go wtime 60000 btime 1000", 8, 2, 0},
        {2, "go wtime 60000 btime 1000", 8, 1000.0 / 30 / 1000, 0},
        {1, "go wtime 40", 8, 0.001, 0},
        {1, "go winc 1000 wtime 3000 movestogo 5", 8, 0.1, 0},
        {1, "go wtime 60000 movetime 500", 8, 0.5, 0},
        {1, "go infinite", 8, 86400, 1},
        {1, "go depth 3 infinite", 3, 86400, 1},
        {1, "godepth 5", 8, 10, 0},
    };
    for (const auto &c : cases) {
        reset_engine();
        currentPlayer = c.side;
        computerDepth = computerThinkSeconds = -1;
        search_infinite = 7;
        go_limits(c.line);
        EXPECT_EQ(computerDepth, c.depth) << c.line;
        EXPECT_DOUBLE_EQ(computerThinkSeconds, c.seconds) << c.line;
        EXPECT_EQ(search_infinite, c.infinite) << c.line;
    }
}

}  // namespace
