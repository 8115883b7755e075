// The node routines below the root (the depth chain and the depth-3 reply
// searches): mate, stalemate, fifty-move and repetition scores.  Move order
// and cutoff memory show in the bench node counts.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A node routine at `level`; the reply searches play for `player` only.
struct Node {
    const char *name;
    int level, player;
    double (*chain)(double, double, double);
    double (*reply)(double, double);
    double Search(int side, double alpha, double beta) const {
        return chain ? chain(side, alpha, beta) : reply(alpha, beta);
    }
};

const Node kNodes[] = {
    {"Depth1", 1, 0, SearchDepth1, nullptr},
    {"Depth2", 2, 0, SearchDepth2, nullptr},
    {"Depth3", 3, 0, SearchDepth3, nullptr},
    {"Depth4", 4, 0, SearchDepth4, nullptr},
    {"Depth5", 5, 0, SearchDepth5, nullptr},
    {"Depth6", 6, 0, SearchDepth6, nullptr},
    {"Depth7", 7, 0, SearchDepth7, nullptr},
    {"WhiteReply", 1, 1, nullptr, SearchWhiteReply},
    {"BlackReply", 2, 2, nullptr, SearchBlackReply},
    {"BlackFirst", 1, 2, nullptr, SearchBlackFirstReply},
    {"WhiteLast", 2, 1, nullptr, SearchWhiteLastReply},
};

void Fresh(const char *fen, double depth = 8) {
    load_fen(fen);
    SetEvalHash(1024);
    ClearKillerMoves();
    ClearSearchHistoryScores();
    ClearPreferredPV();
    for (int level = 0; level <= 12; ++level) {
        ClearCurrentPVLine(level);
        searchPositionKey_s[level].v[0] = 0;
    }
    searchIterationDepth = depth;
    computerNodes = 0;
}

std::string PV(int l) {
    return {char('a' + currentPVFromX[l][l]), char('8' - currentPVFromY[l][l]),
            char('a' + currentPVToX[l][l]), char('8' - currentPVToY[l][l])};
}

// Every row also on its colour mirror.
TEST(NodeChain, TerminalScores) {
    struct Case {
        const char *fen;
        double halfmove;
        bool mated;
    } cases[] = {
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 0, true},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, false},
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 100, true},   // mate before the fifty-move rule
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 100, false},  // mate in one, but fifty moves
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 100, false},
        {"8/8/4k3/8/8/3BK3/8/8 b - - 0 1", 0, false},
        {"8/2b5/4k3/8/8/4K3/8/2B5 w - - 0 1", 0, false},  // bishops on one colour
    };
    for (const Node &n : kNodes)
        for (const Case &c : cases)
            for (const std::string &fen : {std::string(c.fen), mirror_fen(c.fen)}) {
                Fresh(fen.c_str());
                const int side = static_cast<int>(currentPlayer);
                if (n.player && n.player != side) continue;
                halfmoveClock = c.halfmove;
                EXPECT_EQ(n.Search(side, -1000000, 1000000),
                          c.mated ? mated_score(side, n.level) : 0)
                    << n.name << " " << fen;
                EXPECT_EQ(computerNodes, 0) << n.name << " " << fen;
                EXPECT_EQ(moveHashStores, 0) << n.name;
            }
}

// Mate in one is scored one level down; a position about to occur for the
// third time (game history and path levels 1 .. N-1) is a draw instead.
TEST(NodeChain, MateInOneAndRepetition) {
    const char *white = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    for (const Node &n : kNodes)
        for (const std::string &fen : {std::string(white), mirror_fen(white)}) {
            Fresh(fen.c_str(), n.level < 7 ? n.level + 2 : 8);
            const int side = static_cast<int>(currentPlayer);
            if (n.player && n.player != side) continue;
            EXPECT_EQ(n.Search(side, -1000000, 1000000), mated_score(3 - side, n.level + 1))
                << n.name;
            EXPECT_EQ(PV(n.level), side == 1 ? "a1a8" : "a8a1") << n.name;
            searchPositionKey_s[1] = SearchKeyForPlayer_s(side);
            EXPECT_EQ(n.Search(side, -1000000, 1000000),
                      n.level >= 2 ? 0 : mated_score(3 - side, 2))
                << n.name;
            searchPositionKey_s[1].v[0] = 0;
            AddPositionHistory();
            EXPECT_EQ(n.Search(side, -1000000, 1000000), 0) << n.name;
        }
}

}  // namespace
