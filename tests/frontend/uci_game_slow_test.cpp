// A whole game of the engine against itself through one UCI session, as an
// interface plays it: every bestmove is fed back in "position startpos
// moves ..." and must be accepted.  The moves are also checked against the
// rules as this engine's own board code and, when Debian's stockfish is
// installed, as an independent engine counts them.
#include "frontend/quintar.h"
#include "test_support.h"
#include "uci_test_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const char kStockfish[] = "/usr/games/stockfish";
const int kPlyCap = 100;

std::string join_moves(const std::vector<std::string> &moves) {
    std::string s = "position startpos";
    if (!moves.empty()) s += " moves";
    for (const std::string &m : moves) s += " " + m;
    return s;
}

// The legal moves of a position as stockfish's perft of depth 1 lists them.
std::set<std::string> reference_moves(UciProcess &sf, const std::vector<std::string> &moves) {
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
    UciProcess engine;
    ASSERT_TRUE(engine.started());
    bool have_reference = file_exists(kStockfish);
    UciProcess sf(std::vector<std::string>{have_reference ? kStockfish : "/bin/true"});

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
    // Clocks that give about a tenth of a second per move; they run down a
    // little as the game goes on.
    double wtime = 4000, btime = 4000;
    while (ending.empty()) {
        if (static_cast<int>(moves.size()) >= kPlyCap) {
            ending = "ply cap";
            break;
        }
        engine.send(join_moves(moves));
        // The position was taken if nothing comes before readyok.
        engine.send("isready");
        ASSERT_TRUE(engine.read_line(&line, 5000));
        ASSERT_EQ(line, "readyok") << "after " << join_moves(moves);
        char go[96];
        std::snprintf(go, sizeof go, "go wtime %.0f btime %.0f winc 0 binc 0", wtime, btime);
        auto sent = engine.send(go);
        std::vector<std::string> before;
        UciProcess::Clock::time_point at;
        ASSERT_TRUE(engine.read_until("bestmove ", &line, 10000, &at, &before)) << go;
        ASSERT_EQ(before.size(), 1u);
        EXPECT_EQ(before[0].rfind("info depth ", 0), 0u) << before[0];
        double used = static_cast<double>(elapsed_ms(sent, at));
        (moves.size() % 2 == 0 ? wtime : btime) -= used;
        std::string move = line.substr(9);

        std::set<std::string> legal;
        if (have_reference) legal = reference_moves(sf, moves);
        if (move == "0000") {
            ASSERT_EQ(HasLegalMove(currentPlayer), 0) << join_moves(moves);
            if (have_reference) {
                EXPECT_TRUE(legal.empty());
            }
            ending = IsPlayerInCheck(currentPlayer) ? "mate" : "stalemate";
            break;
        }
        if (have_reference) {
            EXPECT_EQ(legal.count(move), 1u) << move << " after " << join_moves(moves);
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
