// Root move ordering: completeness of the collected list against a brute
// force scan, the generation order of quiet moves, captures by victim and
// attacker, quiet checks, and the previous iteration's scores.
#include "search_test_util.h"

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> collected_moves() {
    std::vector<std::string> out;
    for (int i = 0; i < static_cast<int>(rootCaptureCount); ++i) {
        const double *r = rootCaptures[i];
        out.push_back(code_text(r[1] * 512 + r[0] * 64 + r[3] * 8 + r[2]));
    }
    return out;
}

double order_value_of(const std::string &m) {
    for (int i = 0; i < static_cast<int>(rootCaptureCount); ++i) {
        const double *r = rootCaptures[i];
        if (code_text(r[1] * 512 + r[0] * 64 + r[3] * 8 + r[2]) == m) return r[4];
    }
    ADD_FAILURE() << m << " not collected";
    return 0;
}

void collect(const char *fen) {
    load_fen(fen);
    computerPlayer = currentPlayer;
    CollectRootCaptures();
}

// Every legal from/to pair, found by trying all 4096 of them.
std::set<std::string> brute_force_moves() {
    std::set<std::string> out;
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            if (PieceColor(board[fx][fy]) != computerPlayer) continue;
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx)
                    if (IsMoveValid(fx, fy, tx, ty) != 0)
                        out.insert(code_text(fy * 512 + fx * 64 + ty * 8 + tx));
        }
    return out;
}

class RootListComplete : public testing::TestWithParam<const char *> {};

TEST_P(RootListComplete, HoldsEveryLegalMoveOnceInDescendingOrder) {
    collect(GetParam());
    const std::vector<std::string> list = collected_moves();
    const std::set<std::string> unique(list.begin(), list.end());
    EXPECT_EQ(unique.size(), list.size()) << "duplicate move in the root list";
    EXPECT_EQ(unique, brute_force_moves());
    for (int i = 1; i < static_cast<int>(rootCaptureCount); ++i)
        EXPECT_GE(rootCaptures[i - 1][4], rootCaptures[i][4]) << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, RootListComplete,
    testing::Values("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
                    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 b kq - 0 1",
                    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
                    "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "7k/8/8/3Q4/8/8/8/K7 w - - 0 1",
                    "7k/8/8/3q4/8/8/8/K7 b - - 0 1", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));

TEST(RootOrdering, StartPositionInGenerationOrder) {
    collect("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const std::vector<std::string> expected = {
        "a2a4", "a2a3", "b2b4", "b2b3", "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3",
        "f2f4", "f2f3", "g2g4", "g2g3", "h2h4", "h2h3", "b1a3", "b1c3", "g1f3", "g1h3"};
    EXPECT_EQ(collected_moves(), expected);
    for (int i = 0; i < static_cast<int>(rootCaptureCount); ++i)
        EXPECT_EQ(rootCaptures[i][4], -3000002);
}

TEST(RootOrdering, BlackStartMovesInGenerationOrder) {
    collect("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    const std::vector<std::string> expected = {
        "b8a6", "b8c6", "g8f6", "g8h6", "a7a6", "a7a5", "b7b6", "b7b5", "c7c6", "c7c5",
        "d7d6", "d7d5", "e7e6", "e7e5", "f7f6", "f7f5", "g7g6", "g7g5", "h7h6", "h7h5"};
    EXPECT_EQ(collected_moves(), expected);
}

struct OrderCase {
    const char *fen;
    std::vector<std::pair<std::string, double>> head;  // first moves and their values
};

class RootOrderValues : public testing::TestWithParam<OrderCase> {};

TEST_P(RootOrderValues, ListStartsAsExpected) {
    collect(GetParam().fen);
    const std::vector<std::string> list = collected_moves();
    const auto &head = GetParam().head;
    ASSERT_GE(list.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i) {
        EXPECT_EQ(list[i], head[i].first) << "position " << i;
        EXPECT_EQ(rootCaptures[i][4], head[i].second) << head[i].first;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RootOrderValues,
    testing::Values(
        // Pawn takes queen, then the pinned queen takes the pinning rook.
        OrderCase{"4k3/8/8/3q4/4P3/8/8/r2QK3 w - - 0 1", {{"e4d5", 89900}, {"d1a1", 49100}}},
        // Pawn takes queen, queen takes queen, knight takes rook, then checks.
        OrderCase{"4k3/8/1r6/3q4/2N1P3/8/3Q4/4K3 w - - 0 1",
                  {{"e4d5", 89900}, {"d2d5", 89100}, {"c4b6", 49680}, {"c4d6", -1000000}}},
        // En passant counts as a pawn taking a pawn.
        OrderCase{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", {{"e5d6", 9900}}},
        // A quiet check follows the captures and precedes the other quiet moves.
        OrderCase{"4k3/8/8/8/8/8/1p6/R3K3 w - - 0 1", {{"a1a8", -1000000}}},
        // Black: the queen's checks come first, in window order (rank 7 before rank 4).
        OrderCase{"7k/8/8/3q4/8/8/8/K7 b - - 0 1", {{"d5a8", -1000000}, {"d5a5", -1000000}}}));

TEST(RootOrdering, EqualCapturesKeepScanOrder) {
    // Both knights can take the pawn on d5; the scan runs from rank 8 down, so
    // the knight on e7 is generated before the one on c3.
    collect("4k3/4N3/8/3p4/8/2N5/8/4K3 w - - 0 1");
    const std::vector<std::string> list = collected_moves();
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[0], "e7d5");
    EXPECT_EQ(list[1], "c3d5");
    EXPECT_EQ(rootCaptures[0][4], 100 * 100 - 320);
    EXPECT_EQ(rootCaptures[1][4], 100 * 100 - 320);
}

TEST(RootOrdering, QuietMovesFollowPreviousScores) {
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    computerPlayer = 1;
    rootPreviousCount = 5;
    const std::pair<const char *, double> prev[] = {
        {"g1f3", 50}, {"a2a3", -20}, {"e2e4", 50}, {"h2h3", 5000000}, {"g1f3", 999}};
    for (int i = 0; i < 5; ++i) {
        rootPreviousResult[i][0] = move_code(prev[i].first);
        rootPreviousResult[i][1] = prev[i].second;
    }
    CollectRootCaptures();
    const std::vector<std::string> list = collected_moves();
    ASSERT_EQ(list.size(), 20u);
    // The clamped score comes first; equal scores keep generation order; the
    // first matching row counts; unsearched moves keep generation order.
    EXPECT_EQ(list[0], "h2h3");
    EXPECT_EQ(rootCaptures[0][4], 1000000 - 2000001);
    EXPECT_EQ(list[1], "e2e4");
    EXPECT_EQ(list[2], "g1f3");
    EXPECT_EQ(rootCaptures[2][4], 50 - 2000001);
    EXPECT_EQ(list[3], "a2a3");
    EXPECT_EQ(list[4], "a2a4");
    EXPECT_EQ(list[5], "b2b4");
    EXPECT_EQ(order_value_of("b1c3"), -3000002);
}

TEST(RootOrdering, PreviousScoresIgnoredWhenDisabled) {
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    computerPlayer = 1;
    rootResultOrderEnabled = 0;
    rootPreviousCount = 1;
    rootPreviousResult[0][0] = move_code("g1f3");
    rootPreviousResult[0][1] = 77;
    CollectRootCaptures();
    EXPECT_EQ(collected_moves().front(), "a2a4");
    EXPECT_EQ(order_value_of("g1f3"), -3000002);
}

TEST(RootOrdering, RootMovePassAdmitsPreferredOnlyFirst) {
    reset_engine();
    preferredFromX = 4;
    preferredFromY = 6;
    preferredToX = 4;
    preferredToY = 4;
    struct {
        double fx, fy, tx, ty, pass, expected;
    } cases[] = {{4, 6, 4, 4, -1, 1}, {4, 6, 4, 4, 0, 0}, {4, 6, 4, 5, -1, 0},
                 {4, 6, 4, 5, 0, 1},  {3, 6, 3, 4, 0, 1}, {6, 7, 5, 5, -1, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(RootMovePass(c.fx, c.fy, c.tx, c.ty, c.pass), c.expected)
            << c.fx << c.fy << c.tx << c.ty << " pass " << c.pass;
    preferredFromX = preferredFromY = preferredToX = preferredToY = -1;
    EXPECT_EQ(RootMovePass(4, 6, 4, 4, -1), 0);
    EXPECT_EQ(RootMovePass(4, 6, 4, 4, 0), 1);
}

TEST(RootOrdering, CommitCopiesCurrentResults) {
    reset_engine();
    rootCurrentCount = 3;
    for (int i = 0; i < 3; ++i) {
        rootCurrentResult[i][0] = 100 + i;
        rootCurrentResult[i][1] = -7 * i;
    }
    rootPreviousCount = 9;
    CommitRootResults();
    EXPECT_EQ(rootPreviousCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rootPreviousResult[i][0], 100 + i);
        EXPECT_EQ(rootPreviousResult[i][1], -7 * i);
    }
}

TEST(RootOrdering, StoppedCollectionLeavesPartialList) {
    load_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    computerPlayer = 1;
    stop_requested.store(1);
    CollectRootCaptures();
    EXPECT_EQ(rootCaptureCount, 0);
    EXPECT_EQ(searchAborted, 1);
    stop_requested.store(0);
}

}  // namespace
