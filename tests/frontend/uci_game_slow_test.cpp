// A whole game of the engine against itself through one UCI session: every
// bestmove is fed back in "position startpos moves ..." and must be
// accepted, and is checked against this engine's board code and, when
// Debian's stockfish is installed, against its legal moves.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char kStockfish[] = "/usr/games/stockfish";
const size_t kPlyCap = 100;

std::string join_moves(const std::vector<std::string> &moves) {
    std::string s = "position startpos";
    if (!moves.empty()) s += " moves";
    for (const std::string &m : moves) s += " " + m;
    return s;
}

// The legal moves of a position as stockfish's perft of depth 1 lists them.
std::set<std::string> reference_moves(ChildProcess &sf, const std::vector<std::string> &moves) {
    sf.send(join_moves(moves));
    sf.send("go perft 1");
    std::set<std::string> legal;
    std::string line;
    while (sf.read_line(&line, 10000)) {
        if (line.rfind("Nodes searched", 0) == 0) break;
        size_t colon = line.find(": ");
        if (colon == 4 || colon == 5) legal.insert(line.substr(0, colon));
    }
    return legal;
}

}  // namespace

TEST(UciGame, SelfPlayThroughTheSession) {
    ChildProcess engine;
    ASSERT_TRUE(engine.started());
    bool have_reference = file_exists(kStockfish);
    ChildProcess sf(std::vector<std::string>{have_reference ? kStockfish : "/bin/true"});

    std::string line;
    engine.send("uci");
    ASSERT_TRUE(engine.read_until("uciok", &line, 5000));
    engine.send("ucinewgame");
    engine.send("isready");
    ASSERT_TRUE(engine.read_line(&line, 5000));
    ASSERT_EQ(line, "readyok");

    reset_engine();  // the test's own copy of the game
    std::map<std::string, int> seen;
    seen[PositionKey_s().v] = 1;
    std::vector<std::string> moves;
    std::string ending;
    // About a tenth of a second per move, running down as the game goes on.
    double wtime = 4000, btime = 4000;
    while (ending.empty() && moves.size() < kPlyCap) {
        engine.send(join_moves(moves));
        engine.send("isready");  // nothing before readyok: the position was taken
        ASSERT_TRUE(engine.read_line(&line, 5000));
        ASSERT_EQ(line, "readyok") << "after " << join_moves(moves);
        char go[96];
        std::snprintf(go, sizeof go, "go wtime %.0f btime %.0f winc 0 binc 0", wtime, btime);
        auto sent = engine.send(go);
        std::vector<std::string> before;
        ChildProcess::Clock::time_point at;
        ASSERT_TRUE(engine.read_until("bestmove ", &line, 10000, &at, &before)) << go;
        ASSERT_EQ(before.size(), 1u);
        EXPECT_EQ(before[0].rfind("info depth ", 0), 0u) << before[0];
        double used = static_cast<double>(elapsed_ms(sent, at));
        (moves.size() % 2 == 0 ? wtime : btime) -= used;
        std::string move = line.substr(9);

        if (have_reference) {
            const std::set<std::string> legal = reference_moves(sf, moves);
            EXPECT_EQ(legal.count(move), move == "0000" ? 0u : 1u) << join_moves(moves);
            EXPECT_EQ(legal.empty(), move == "0000") << join_moves(moves);
        }
        if (move == "0000") {
            ASSERT_EQ(HasLegalMove(currentPlayer), 0) << join_moves(moves);
            ending = IsPlayerInCheck(currentPlayer) ? "mate" : "stalemate";
            break;
        }
        ASSERT_EQ(apply_uci(move.c_str()), 1) << move << " after " << join_moves(moves);
        moves.push_back(move);
        if (++seen[PositionKey_s().v] >= 3)
            ending = "threefold repetition";
        else if (halfmoveClock >= 100)
            ending = "fifty-move rule";
        else if (IsInsufficientMaterial())
            ending = "insufficient material";
    }
    if (ending.empty()) ending = "ply cap";
    std::printf("game over after %zu plies by %s; clocks left %.0f/%.0f ms\n%s\n", moves.size(),
                ending.c_str(), wtime, btime, join_moves(moves).c_str());
    // The final position, with the mating or drawing move, is accepted too.
    engine.send(join_moves(moves));
    engine.send("isready");
    ASSERT_TRUE(engine.read_line(&line, 5000));
    EXPECT_EQ(line, "readyok");
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(5000), 0);
    EXPECT_EQ(engine.errors(), "");
    if (have_reference) sf.send("quit");
}
