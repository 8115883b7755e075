// Node move lists: every legal move exactly once across the capture and
// quiet lists, captures by victim and attacker value with scan-order ties,
// checking quiet moves behind the captures, quiet moves by history.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string Uci(const double *r) {
    return {char('a' + r[0]), char('8' - r[1]), char('a' + r[2]), char('8' - r[3])};
}

// Lists `level` for the loaded position: captures (with scores) and quiet moves.
void Lists(const char *fen, int level, std::vector<std::string> *captures,
           std::vector<double> *scores, std::vector<std::string> *quiets) {
    if (fen) {
        load_fen(fen);
        ClearSearchHistoryScores();
    }
    CollectInnerCaptures(currentPlayer, level);
    CollectHistoryQuietMoves(currentPlayer, level);
    for (int i = 0; i < innerCaptureCount[level]; ++i) {
        captures->push_back(Uci(innerCaptures[level * kListEntriesPerLevel + i]));
        scores->push_back(innerCaptures[level * kListEntriesPerLevel + i][4]);
    }
    for (int i = 0; i < historyQuietCount[level]; ++i)
        quiets->push_back(Uci(historyQuietMoves[level * kListEntriesPerLevel + i]));
}

// Castling both ways, en passant, promotions, pins and checks, both colours.
const char *const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "8/8/8/k2pP2R/8/8/8/7K w - d6 0 1",
    "4k3/1P6/8/8/8/8/6p1/4K2R b K - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
};

TEST(MoveLists, ListsPartitionTheLegalMoves) {
    for (const char *fen : kPositions) {
        std::vector<std::string> captures, quiets;
        std::vector<double> scores;
        Lists(fen, 2, &captures, &scores, &quiets);
        const int player = static_cast<int>(currentPlayer);
        std::multiset<std::string> listed(captures.begin(), captures.end());
        listed.insert(quiets.begin(), quiets.end());
        std::multiset<std::string> legal;
        for (int f = 0; f < 64; ++f)
            for (int t = 0; t < 64; ++t)
                if (PieceColor(board[f % 8][f / 8]) == player &&
                    IsMoveValid(f % 8, f / 8, t % 8, t / 8)) {
                    const double m[4] = {double(f % 8), double(f / 8), double(t % 8),
                                         double(t / 8)};
                    legal.insert(Uci(m));
                }
        EXPECT_EQ(listed, legal) << fen;
        // Descending scores: real captures, then the checks at -1000000.
        for (size_t i = 1; i < scores.size(); ++i) EXPECT_GE(scores[i - 1], scores[i]) << fen;
        for (size_t i = 0; i < captures.size(); ++i) {
            const double *r = innerCaptures[2 * kListEntriesPerLevel + i];
            const bool check = scores[i] == -1000000;
            EXPECT_EQ(SearchCapture(r[0], r[1], r[2], r[3]), check ? 0 : 1) << fen;
            EXPECT_EQ(check ? SearchMoveGivesCheck(player, 2, r[0], r[1], r[2], r[3]) : 1, 1);
        }
        for (int i = 0; i < historyQuietCount[2]; ++i) {
            const double *r = historyQuietMoves[2 * kListEntriesPerLevel + i];
            EXPECT_EQ(SearchMoveGivesCheck(player, 2, r[0], r[1], r[2], r[3]), 0) << fen << Uci(r);
        }
    }
}

TEST(MoveLists, CaptureOrder) {
    struct Case {
        const char *fen;
        bool whole;  // else the expected entries lead the list
        std::vector<std::string> captures;
        std::vector<double> scores;
    } cases[] = {
        {"4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", true, {"e4d5"}, {89900}},
        {"4k3/8/3p4/8/8/3Q4/8/4K3 w - - 0 1", false, {"d3d6"}, {9100}},
        {"4k3/8/8/2pP4/8/8/8/4K3 w - c6 0 1", true, {"d5c6"}, {9900}},  // en passant
        {"4k3/8/8/1p1p4/8/2N5/8/4K3 w - - 0 1", true, {"c3b5", "c3d5"}, {9680, 9680}},
        // Higher victims first, cheaper attackers first, equal scores by scan.
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
         true,
         {"a6e2", "b4c3", "e6d5", "h3g2", "b6d5", "f6d5", "f6e4"},
         {32670, 31900, 9900, 9900, 9680, 9680, 9680}},
        // Checking quiet moves follow the capture in generation order.
        {"4k2r/8/8/5N2/8/8/8/R3K2Q w - - 0 1",
         true,
         {"h1h8", "f5g7", "f5d6", "a1a8", "h1a8", "h1c6", "h1h5", "h1e4"},
         {49100, -1000000, -1000000, -1000000, -1000000, -1000000, -1000000, -1000000}},
        // A promotion that checks is a checking quiet move.
        {"4k3/1P6/8/8/8/8/p7/4K2R w K - 0 1", true, {"b7b8", "h1h8"}, {-1000000, -1000000}},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", true, {}, {}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> captures, quiets;
        std::vector<double> scores;
        Lists(c.fen, 3, &captures, &scores, &quiets);
        if (!c.whole && captures.size() > c.captures.size()) {
            captures.resize(c.captures.size());
            scores.resize(c.scores.size());
        }
        EXPECT_EQ(captures, c.captures) << c.fen;
        EXPECT_EQ(scores, c.scores) << c.fen;
    }
}

TEST(MoveLists, QuietMovesByHistoryOfTheMover) {
    load_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    ClearSearchHistoryScores();
    searchHistoryScore[1][(7 * 8 + 0) * 64 + 3 * 8 + 0] = 50;  // a1a5
    searchHistoryScore[1][(7 * 8 + 4) * 64 + 6 * 8 + 3] = 20;  // e1d2
    searchHistoryScore[2][(7 * 8 + 0) * 64 + 2 * 8 + 0] = 99;  // Black's table does not count
    std::vector<std::string> captures, quiets;
    std::vector<double> scores;
    Lists(nullptr, 5, &captures, &scores, &quiets);
    EXPECT_EQ(captures, std::vector<std::string>{"a1a8"});
    EXPECT_EQ(quiets,
              (std::vector<std::string>{"a1a5", "e1d2", "a1a7", "a1a6", "a1a4", "a1a3", "a1a2",
                                        "a1b1", "a1c1", "a1d1", "e1e2", "e1f2", "e1d1", "e1f1"}));
}

TEST(MoveLists, ExpiredClockStopsCollection) {
    load_fen(kPositions[1]);
    State before = state_get();
    stop_requested.store(1);
    CollectInnerCaptures(1, 1);
    CollectHistoryQuietMoves(1, 1);
    stop_requested.store(0);
    searchAborted = 0;
    EXPECT_EQ(innerCaptureCount[1] + historyQuietCount[1], 0);
    State after = state_get();
    EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
    // Listed order indices skip the legality test; the others take it.
    load_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    CollectInnerCaptures(1, 1);
    CollectHistoryQuietMoves(1, 1);
    const double cc = innerCaptureCount[1], qc = historyQuietCount[1];
    const double expected[] = {1, 0, 0, 0, 1, 0};
    const double index[] = {0, -1, cc, cc + 1, cc + 2, cc + 2 + qc};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(IsCollectedSearchMoveValid(1, index[i], 0, 7, 1, 0), expected[i]) << i;
}

}  // namespace
