// The UCI commands in-process: what each command prints and which engine
// state it keeps or changes, and the limits a go line sets.  Searches and
// exact reply bytes are tested on the real program (uci_protocol_test).
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

void go_limits(const char *line);

namespace {

// Runs the lines through the session and returns everything they printed.
std::string handle(const std::vector<std::string> &lines) {
    std::fflush(stdout);
    int saved = dup(1);
    FILE *tmp = std::tmpfile();
    dup2(fileno(tmp), 1);
    for (const std::string &l : lines) {
        std::vector<char> buf(l.begin(), l.end());
        buf.push_back(0);
        uci_handle_line(buf.data());
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string out;
    std::rewind(tmp);
    char chunk[4096];
    size_t k;
    while ((k = std::fread(chunk, 1, sizeof chunk, tmp)) > 0) out.append(chunk, k);
    std::fclose(tmp);
    return out;
}

struct Snapshot {
    State s;
    double move_count, position_count;
    std::string key;
};

Snapshot snapshot() { return {state_get(), moveCount, positionCount, PositionKey_s().v}; }

// The engine state that set_fen(fen) and the moves give.
Snapshot expected_state(const char *fen, const std::vector<const char *> &moves) {
    reset_engine();
    EXPECT_EQ(set_fen(fen), 1) << fen;
    for (const char *m : moves) EXPECT_EQ(apply_uci(m), 1) << m;
    return snapshot();
}

void expect_same(const Snapshot &got, const Snapshot &want, const std::string &what) {
    EXPECT_EQ(std::memcmp(&got.s, &want.s, sizeof(State)), 0) << what;
    EXPECT_EQ(got.move_count, want.move_count) << what;
    EXPECT_EQ(got.position_count, want.position_count) << what;
    EXPECT_EQ(got.key, want.key) << what;
}

const char kBareKings[] = "8/8/8/8/8/8/8/K6k w - - 0 1";
const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char kInvalidPosition[] = "info string invalid position\n";
const char kInvalidMove[] = "info string invalid move in position\n";

struct PositionCase {
    const char *line;
    const char *output;
    const char *fen;                  // the position afterwards: this FEN ...
    std::vector<const char *> moves;  // ... and these moves
};

}  // namespace

// Each line runs after "position fen" of two bare kings, so a position
// that is kept shows as those kings.
TEST(UciSession, PositionCommands) {
    const std::vector<PositionCase> cases = {
        {"position startpos", "", kStart, {}},
        {"position startpos\r", "", kStart, {}},
        {"position startpos moves e2e4 e7e5", "", kStart, {"e2e4", "e7e5"}},
        {"position startpos moves   e2e4  e7e5  ", "", kStart, {"e2e4", "e7e5"}},
        {"position startpos moves ", "", kStart, {}},
        {"position startpos moves e2e4 e7e6 e4e5 d7d5 e5d6",
         "",
         kStart,
         {"e2e4", "e7e6", "e4e5", "d7d5", "e5d6"}},
        {"position startpos moves g1f3 g8f6 g2g3 g7g6 f1g2 f8g7 e1g1",
         "",
         kStart,
         {"g1f3", "g8f6", "g2g3", "g7g6", "f1g2", "f8g7", "e1g1"}},
        {"position fen 8/8/8/8/8/8/8/k6K b - - 0 40", "", "8/8/8/8/8/8/8/k6K b - - 0 40", {}},
        {"position fen 8/8/8/8/8/8/8/k6K w - -", "", "8/8/8/8/8/8/8/k6K w - - 0 1", {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8n",
         "",
         "8/4P3/8/8/8/8/8/K6k w - - 0 1",
         {"e7e8n"}},
        // A trailing space, a missing move list and a doubled space are not
        // "startpos"; the old position stays.
        {"position startpos ", kInvalidPosition, kBareKings, {}},
        {"position startpos moves", kInvalidPosition, kBareKings, {}},
        {"position  startpos", kInvalidPosition, kBareKings, {}},
        {"position moves e2e4", kInvalidPosition, kBareKings, {}},
        {"position fen", kInvalidPosition, kBareKings, {}},
        {"position kiwipete", kInvalidPosition, kBareKings, {}},
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1",
         kInvalidPosition,
         kBareKings,
         {}},
        {"position fen 8/8/8/8/8/8/8/KK5k w - - 0 1 moves a1a2", kInvalidPosition, kBareKings, {}},
        {"position fen 8/8/8/8/8/8/8/K6k x - - 0 1", kInvalidPosition, kBareKings, {}},
        // A rejected move keeps the moves before it.
        {"position startpos moves e2e4 e7e5 e1e3 g1f3", kInvalidMove, kStart, {"e2e4", "e7e5"}},
        {"position startpos moves e2e4 e2e4", kInvalidMove, kStart, {"e2e4"}},
        {"position startpos moves e7e5", kInvalidMove, kStart, {}},
        {"position startpos moves e2e4x", kInvalidMove, kStart, {}},
        {"position startpos moves e2e4\te7e5", kInvalidMove, kStart, {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8",
         kInvalidMove,
         "8/4P3/8/8/8/8/8/K6k w - - 0 1",
         {}},
        // Not position commands at all: nothing printed, nothing changed.
        {"position", "", kBareKings, {}},
        {"Position startpos", "", kBareKings, {}},
        {" position startpos", "", kBareKings, {}},
    };
    for (const PositionCase &c : cases) {
        reset_engine();
        ASSERT_EQ(handle({std::string("position fen ") + kBareKings}), "");
        std::string out = handle({c.line});
        Snapshot got = snapshot();
        EXPECT_EQ(out, c.output) << c.line;
        expect_same(got, expected_state(c.fen, c.moves), c.line);
    }
}

TEST(UciSession, HashOptionSwitchesTheEvaluationCache) {
    const std::vector<std::pair<const char *, double>> cases = {
        {"setoption name Hash value 0", 0},        {"setoption name Hash value 1", 1024},
        {"setoption name Hash value 16", 1024},    {"setoption name Hash value -5", 1024},
        {"setoption name Hash value", 0},          {"setoption name Hash value00", 0},
        {"setoption name Hash value 0 please", 0}, {"setoption name Hash value 4294967296", 1024},
    };
    for (const auto &c : cases) {
        reset_engine();
        handle({"setoption name Hash value 0"});
        ASSERT_EQ(evalHashKB, 0);
        EXPECT_EQ(handle({c.first}), "");
        EXPECT_EQ(evalHashKB, c.second) << c.first;
        handle({"setoption name Hash value 1"});
        ASSERT_EQ(evalHashKB, 1024);
        handle({c.first});
        EXPECT_EQ(evalHashKB, c.second) << c.first;
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
        ASSERT_EQ(positionCount, 4);
        EXPECT_EQ(handle({"ucinewgame"}), "");
        EXPECT_EQ(evalHashKB, kb);
        Snapshot got = snapshot();
        expect_same(got, expected_state(kStart, {}), "ucinewgame");
        // The history holds the start position only.
        for (int i = 1; i <= 1000; i++) ASSERT_STREQ(positionHistory_s[i].v, "") << i;
    }
}

TEST(UciGoLimits, LimitsOfTheGoLine) {
    struct Case {
        double side;
        const char *line;
        double depth, seconds;
        int infinite;
    };
    const std::vector<Case> cases = {
        {1, "go", 8, 10, 0},
        {1, "go depth 5", 5, 300, 0},
        {1, "go depth 0", 1, 300, 0},
        {1, "go depth -3", 1, 300, 0},
        {1, "go depth 12", 8, 300, 0},
        {1, "go depth 99999999999999999999", 8, 300, 0},
        {1, "go movetime 1000", 8, 1, 0},
        {1, "go movetime 2500.5", 8, 2.5005, 0},
        {1, "go movetime 0", 8, 0.001, 0},
        {1, "go movetime -70", 8, 0.001, 0},
        {1, "go movetime nan", 8, 0.001, 0},
        {1, "go depth 5 movetime 2000", 5, 2, 0},
        {1, "go wtime 60000 btime 1000", 8, 2, 0},
        {2, "go wtime 60000 btime 1000", 8, 1000.0 / 30 / 1000, 0},
        {1, "go wtime 1000", 8, 1000.0 / 30 / 1000, 0},
        {1, "go wtime 60", 8, 0.002, 0},
        {1, "go wtime 40", 8, 0.001, 0},
        {1, "go wtime nan", 8, 0.001, 0},
        {1, "go btime 5000", 8, 10, 0},
        {2, "go wtime 5000", 8, 10, 0},
        {1, "go winc 1000 wtime 3000 movestogo 5", 8, 0.1, 0},
        {1, "go wtime 60000 movetime 500", 8, 0.5, 0},
        {1, "go depth 4 wtime 3000", 4, 0.1, 0},
        {1, "go infinite", 8, 86400, 1},
        {1, "go depth 3 infinite", 3, 86400, 1},
        {1, "go movetime 100 infinite", 8, 86400, 1},
        {1, "godepth 5", 8, 10, 0},
        {1, "go ponder", 8, 10, 0},
        {1, "go depth", 8, 10, 0},
    };
    for (const Case &c : cases) {
        reset_engine();
        currentPlayer = c.side;
        computerDepth = -1;
        computerThinkSeconds = -1;
        search_infinite = 7;
        go_limits(c.line);
        EXPECT_EQ(computerDepth, c.depth) << c.line;
        EXPECT_DOUBLE_EQ(computerThinkSeconds, c.seconds) << c.line;
        EXPECT_EQ(search_infinite, c.infinite) << c.line;
    }
}
