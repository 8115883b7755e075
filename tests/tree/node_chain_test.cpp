// The node routines below the root (the depth chain and the depth-3 reply
// searches): mate, stalemate and draw scores, the order of the move passes,
// cutoff memory, the move-hash store on leaving a node, and a clean stop.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/allocation_counter.h"

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

// "e2e4" as x/y coordinates.
int X(const char *m, int i) { return i % 2 ? '8' - m[i] : m[i] - 'a'; }

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

// At half-move 99 every move of this position reaches the fifty-move limit,
// so each child scores 0 at once: the first move tried stays best and the
// node counter counts the moves tried.  No captures, no checks (Bf8 shields).
TEST(NodeChain, PassOrderAndEachMoveOnce) {
    struct Case {
        const char *killer0, *killer1, *hash, *preferred, *rewarded;
        const char *firstChain, *firstReply;  // the reply searches ignore the hash move
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, "a1a8", "a1a8"},
        {nullptr, nullptr, nullptr, nullptr, "e1f1", "e1f1", "e1f1"},  // history
        {"e1d2", nullptr, nullptr, nullptr, "e1f1", "e1d2", "e1d2"},   // killer before history
        {nullptr, "e1f2", nullptr, nullptr, nullptr, "e1f2", "e1f2"},
        {"e1d2", "e1f2", nullptr, nullptr, nullptr, "e1d2", "e1d2"},  // slot 0 before slot 1
        {"a1b2", "g8h8", nullptr, nullptr, nullptr, "a1a8", "a1a8"},  // illegal, opponent's
        {"e1e2", "e1d2", "e1e2", nullptr, nullptr, "e1e2", "e1e2"},   // hash equal to killer
        {nullptr, nullptr, "e1e2", nullptr, nullptr, "e1e2", "a1a8"},
        {"e1d2", nullptr, "e1e2", "e1f1", "e1f1", "e1f1", "e1f1"},  // preferred line first
    };
    const Node *nodes[] = {&kNodes[0], &kNodes[5], &kNodes[7]};
    for (const Node *n : nodes)
        for (const Case &c : cases) {
            Fresh("5bk1/5ppp/8/8/8/8/8/R3K3 w - - 99 1");
            const int l = n->level;
            const char *killers[2] = {c.killer0, c.killer1};
            for (int s = 0; s < 2; ++s)
                for (int i = 0; i < 4 && killers[s]; ++i)
                    killerMoves[l][s * 4 + i] = X(killers[s], i);
            if (c.hash) {
                ProbeMoveHash(l, 1);
                StoreCurrentPV(l, 1, X(c.hash, 0), X(c.hash, 1), X(c.hash, 2), X(c.hash, 3));
                StoreMoveHash(l);
            }
            if (c.preferred) {
                preferredPVValid[l] = 1;
                preferredPVFromX[l] = X(c.preferred, 0);
                preferredPVFromY[l] = X(c.preferred, 1);
                preferredPVToX[l] = X(c.preferred, 2);
                preferredPVToY[l] = X(c.preferred, 3);
                preferredPVKey_s[l] = SearchKeyForPlayer_s(1);
            }
            if (c.rewarded) searchHistoryScore[1][text_code(c.rewarded)] = 500;
            const double stores = moveHashStores;
            EXPECT_EQ(n->Search(1, -1000000, 1000000), 0);
            const bool reply = n->reply != nullptr;
            EXPECT_EQ(PV(l), reply ? c.firstReply : c.firstChain) << n->name << " " << c.firstChain;
            EXPECT_EQ(computerNodes, 15) << n->name << " " << c.firstChain;
            EXPECT_EQ(moveHashStores, stores + (reply ? 0 : 1)) << n->name;
        }
}

// A hash move from the capture list (here a check) is searched once, first.
TEST(NodeChain, HashMoveFromTheCaptureList) {
    for (int level : {1, 6}) {
        Fresh("5k2/8/8/8/8/8/8/R3K2R w - - 99 1");
        ProbeMoveHash(level, 1);
        StoreCurrentPV(level, 1, 7, 7, 7, 0);  // h1h8
        StoreMoveHash(level);
        EXPECT_EQ(kNodes[level - 1].Search(1, -1000000, 1000000), 0);
        EXPECT_EQ(PV(level), "h1h8");
        EXPECT_EQ(computerNodes, CountLegalMoves(1));
    }
}

// A quiet cutoff becomes killer slot 0 and earns (9 - level)^2 history for
// the side to move; a capture (en passant included) changes neither.  The
// chain stores the cutoff move in the hash.
TEST(NodeChain, CutoffMemory) {
    struct Case {
        const char *fen, *move;
        bool quiet;
    } cases[] = {
        {"4k3/8/8/8/8/8/P7/4K3 w - - 0 1", "a2a4", true},
        {"8/p7/8/8/8/8/8/4K2k b - - 0 1", "a7a6", true},
        {"4k3/8/8/8/8/1p6/P7/4K3 w - - 0 1", "a2b3", false},
        {"4k3/8/8/2Pp4/8/8/8/4K3 w - d6 0 1", "c5d6", false},
    };
    for (const Node &n : kNodes)
        for (const Case &c : cases) {
            Fresh(c.fen, n.level + 1);
            const int side = static_cast<int>(currentPlayer);
            if (n.player && n.player != side) continue;
            n.Search(side, side == 1 ? -1000000 : 999999, side == 1 ? -999999 : 1000000);
            const int code = text_code(c.move);
            EXPECT_EQ(PV(n.level), c.move) << n.name;
            EXPECT_EQ(killerMoves[n.level][0], c.quiet ? c.move[0] - 'a' : -1) << n.name;
            EXPECT_EQ(searchHistoryScore[side][code], c.quiet ? (9 - n.level) * (9 - n.level) : 0)
                << n.name;
            EXPECT_EQ(ProbeMoveHash(n.level, side), n.reply ? -1 : code) << n.name;
        }
}

// The reply searches always branch twice and match the chain at depth 3.
TEST(NodeChain, RepliesMatchTheChainAtDepthThree) {
    for (const char *fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 0 1"}) {
        for (int i = 7; i < 11; ++i) {
            const Node &n = kNodes[i];
            Fresh(fen, 3);
            moveHashEnabled = 0;
            const double chain = kNodes[n.level - 1].Search(n.player, -1000000, 1000000);
            const double nodes = computerNodes;
            Fresh(fen, 3);
            moveHashEnabled = 1;
            EXPECT_EQ(n.Search(n.player, -1000000, 1000000), chain) << n.name << " " << fen;
            EXPECT_EQ(computerNodes, nodes) << n.name;
            Fresh(fen, 1);
            n.Search(n.player, -1000000, 1000000);
            if (n.level == 1) {
                EXPECT_EQ(currentPVValid[1][2], 1) << n.name;  // two moves deep anyway
            }
        }
    }
}

TEST(NodeChain, StopAndNoAllocation) {
    const char *fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    for (const Node &n : kNodes) {
        Fresh(fen);
        State before = state_get();
        stop_requested.store(1);
        EXPECT_EQ(n.Search(1, -1000000, 1000000), 0) << n.name;
        stop_requested.store(0);
        searchAborted = 0;
        State after = state_get();
        EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before)) << n.name;
        EXPECT_EQ(computerNodes + moveHashStores, 0) << n.name;
    }
    // A deadline in the middle of a deep search: 0, board and state intact.
    Fresh(fen, 8);
    State before = state_get();
    searchTimedActive = 1;
    searchDeadline = GetTimer() + 30;
    const long allocations = g_allocations.load();
    EXPECT_EQ(SearchDepth1(1, -1000000, 1000000), 0);
    EXPECT_EQ(g_allocations.load(), allocations);
    EXPECT_GT(computerNodes, 0);
    EXPECT_EQ(searchAborted, 1);
    State after = state_get();
    EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
    searchTimedActive = 0;
    searchAborted = 0;
}

}  // namespace
