// The limited quiet search on hand-made positions: mate, stalemate,
// fifty-move, material and repetition draws, the static score and quiet
// checks under their budget.  Which captures it follows shows in the bench
// node counts.
#include "tests/test_support.h"

namespace {

constexpr double kWide = 1000000, kStatic = 1e9;

// One top-level call for the side to move: its score and node count.
std::pair<double, double> Quiet(const std::string &fen, int level, int checksLeft) {
    load_fen(fen.c_str());
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    computerNodes = quietNodes = quietCheckNodes = quietCheckActive = searchIterationDepth = 0;
    const double score =
        LimitedQuietSearch(currentPlayer, 4, level, -kWide, kWide, checksLeft, 0, 0);
    return {score, computerNodes};
}

const char *kFools = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
// Back-rank mate by the quiet check Rb8.
const char *kRankW = "6k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";

// kStatic: the static score of the position.  Every row is also checked on
// its colour mirror.
TEST(QuietSearch, ScoresAndNodes) {
    const struct {
        const char *name, *fen;
        int level, checks;
        double score, nodes;
    } cases[] = {
        {"mated L1", kFools, 1, 3, -899999, 0},
        {"mated at the ceiling", kFools, 11, 3, -899989, 0},
        {"stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 5, 3, 0, 0},
        {"mate before fifty moves",
         "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 100 60", 3, 3, -899997, 0},
        {"fifty moves", "4k3/8/8/8/8/8/8/QQQ1K3 w - - 100 80", 3, 3, 0, 1},
        {"king and knight", "8/8/8/4k3/8/8/8/3NK3 w - - 0 1", 2, 3, 0, 1},
        {"bishops one colour", "8/8/3bk3/8/8/8/8/2B1K3 b - - 0 1", 2, 3, 0, 1},
        // In check from e2: static at the ceiling.
        {"ceiling in check", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", 11, 3, kStatic, 1},
        {"stand pat", "4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1", 1, 3, kStatic, 1},
        {"quiet check", kRankW, 1, 3, 899998, 1},
        {"no checks left", kRankW, 1, 0, kStatic, 1},
    };
    for (const auto &c : cases)
        for (const bool twin : {false, true}) {
            const std::string fen = twin ? mirror_fen(c.fen) : c.fen, name = c.name + fen;
            load_fen(fen.c_str());
            const double stat = EvaluateBoard();
            const auto [score, nodes] = Quiet(fen, c.level, c.checks);
            EXPECT_EQ(score, c.score == kStatic ? stat : twin ? -c.score : c.score) << name;
            EXPECT_EQ(nodes, c.nodes) << name;
        }
}

// A position about to occur for the third time is a draw at every level,
// unless the side is mated.
TEST(QuietSearch, Repetition) {
    const auto search = [](const char *fen, int level, int pathIndex) {
        load_fen(fen);
        AddPositionHistory();
        for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
        if (pathIndex) {  // once in the game, once on the search path instead
            load_fen(fen);
            searchPositionKey_s[pathIndex] = SearchKeyForPlayer_s(1);
        }
        computerNodes = quietNodes = quietCheckNodes = quietCheckActive = searchIterationDepth = 0;
        return LimitedQuietSearch(1, 4, level, -kWide, kWide, 3, 0, 0);
    };
    for (int level : {1, 4, 11}) {
        EXPECT_EQ(search("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", level, 0), 0) << level;
        EXPECT_EQ(computerNodes, 0);
        if (level > 1) {
            EXPECT_EQ(search("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", level, level / 2), 0);
        }
        EXPECT_EQ(search(kFools, level, 0), mated_score(kWhite, level)) << level;
    }
}

}  // namespace
