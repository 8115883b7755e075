// Root move ordering: completeness against a brute-force scan, generation
// order of quiet moves, captures by victim and attacker, quiet checks, and
// the previous iteration's scores.
#include "tests/search/search_test_util.h"

#include <set>
#include <string>
#include <vector>

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The collected root list as (move, order value) pairs.
std::vector<std::pair<std::string, double>> collect(const char *fen) {
    if (fen != nullptr) load_fen(fen);
    computerPlayer = currentPlayer;
    CollectRootCaptures();
    std::vector<std::pair<std::string, double>> out;
    for (int i = 0; i < static_cast<int>(rootCaptureCount); ++i) {
        const double *r = rootCaptures[i];
        out.emplace_back(code_text(move_code(r[0], r[1], r[2], r[3])), r[4]);
    }
    return out;
}

std::vector<std::string> moves_of(const std::vector<std::pair<std::string, double>> &list) {
    std::vector<std::string> out;
    for (const auto &m : list) out.push_back(m.first);
    return out;
}

TEST(RootOrdering, ListHoldsEveryLegalMoveOnceInDescendingOrder) {
    for (const char *fen :
         {kStart, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
          "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
          "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
          "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "7k/8/8/3q4/8/8/8/K7 b - - 0 1"}) {
        SCOPED_TRACE(fen);
        const auto list = collect(fen);
        const std::vector<std::string> moves = moves_of(list);
        std::set<std::string> legal;
        for (int f = 0; f < 64; ++f)
            for (int t = 0; t < 64; ++t)
                if (PieceColor(board[f % 8][f / 8]) == computerPlayer &&
                    IsMoveValid(f % 8, f / 8, t % 8, t / 8) != 0)
                    legal.insert(code_text(move_code(f % 8, f / 8, t % 8, t / 8)));
        EXPECT_EQ(std::set<std::string>(moves.begin(), moves.end()).size(), moves.size());
        EXPECT_EQ(std::set<std::string>(moves.begin(), moves.end()), legal);
        for (size_t i = 1; i < list.size(); ++i) EXPECT_GE(list[i - 1].second, list[i].second);
    }
}

TEST(RootOrdering, QuietMovesInGenerationOrder) {
    const auto white = collect(kStart);
    EXPECT_EQ(moves_of(white),
              (std::vector<std::string>{"a2a4", "a2a3", "b2b4", "b2b3", "c2c4", "c2c3", "d2d4",
                                        "d2d3", "e2e4", "e2e3", "f2f4", "f2f3", "g2g4", "g2g3",
                                        "h2h4", "h2h3", "b1a3", "b1c3", "g1f3", "g1h3"}));
    for (const auto &m : white) EXPECT_EQ(m.second, -3000002) << m.first;
    // Black: knights first, as the scan meets them on rank 8.
    const auto black =
        moves_of(collect("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"));
    EXPECT_EQ(std::vector<std::string>(black.begin(), black.begin() + 6),
              (std::vector<std::string>{"b8a6", "b8c6", "g8f6", "g8h6", "a7a6", "a7a5"}));
}

TEST(RootOrdering, CapturesThenQuietChecks) {
    struct {
        const char *fen;
        std::vector<std::pair<std::string, double>> head;
    } cases[] = {
        // Pawn takes queen, then the pinned queen takes the pinning rook.
        {"4k3/8/8/3q4/4P3/8/8/r2QK3 w - - 0 1", {{"e4d5", 89900}, {"d1a1", 49100}}},
        {"4k3/8/1r6/3q4/2N1P3/8/3Q4/4K3 w - - 0 1",
         {{"e4d5", 89900}, {"d2d5", 89100}, {"c4b6", 49680}, {"c4d6", -1000000}}},
        // Equal captures keep scan order, rank 8 down.
        {"4k3/4N3/8/3p4/8/2N5/8/4K3 w - - 0 1", {{"e7d5", 9680}, {"c3d5", 9680}}},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", {{"e5d6", 9900}}},  // en passant
        {"4k3/8/8/8/8/8/1p6/R3K3 w - - 0 1", {{"a1a8", -1000000}}},
        {"7k/8/8/3q4/8/8/8/K7 b - - 0 1", {{"d5a8", -1000000}, {"d5a5", -1000000}}},
    };
    for (const auto &c : cases) {
        const auto list = collect(c.fen);
        ASSERT_GE(list.size(), c.head.size());
        EXPECT_EQ(decltype(c.head)(list.begin(), list.begin() + c.head.size()), c.head) << c.fen;
    }
}

TEST(RootOrdering, QuietMovesFollowPreviousScores) {
    load_fen(kStart);
    const std::pair<const char *, double> prev[] = {
        {"g1f3", 50}, {"a2a3", -20}, {"e2e4", 50}, {"h2h3", 5000000}, {"g1f3", 999}};
    rootPreviousCount = 5;
    for (int i = 0; i < 5; ++i) {
        rootPreviousResult[i][0] = text_code(prev[i].first);
        rootPreviousResult[i][1] = prev[i].second;
    }
    // The clamped score first; equal scores keep generation order; the first
    // matching row counts; unsearched moves keep generation order.
    const auto list = collect(nullptr);
    ASSERT_EQ(list.size(), 20u);
    const std::vector<std::pair<std::string, double>> head = {
        {"h2h3", 1000000 - 2000001}, {"e2e4", 50 - 2000001}, {"g1f3", 50 - 2000001},
        {"a2a3", -20 - 2000001},     {"a2a4", -3000002},     {"b2b4", -3000002}};
    EXPECT_EQ(decltype(head)(list.begin(), list.begin() + 6), head);

    // Switched off, the previous scores are ignored.
    rootResultOrderEnabled = 0;
    EXPECT_EQ(collect(nullptr).front(), (std::pair<std::string, double>{"a2a4", -3000002}));
}

}  // namespace
