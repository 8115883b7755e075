// The search's own repetition count (core/tree/repetition.h) against the
// full count on lines of play: a node compares only the positions since the
// last capture or pawn move and writes its key only before a move that may
// be repeated, and must count exactly what the full count counts on a path
// whose every level wrote its key.
#include "core/tree/repetition.h"
#include "tests/test_support.h"

namespace {

struct Line {
    const char *name;
    const char *fen;
    std::vector<const char *> moves;
};

const Line kLines[] = {
    // Knights out and back twice: the root position comes round at levels
    // 4 and 8, every position of the first round again in the second.
    {"knight shuffle",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"}},
    // A capture first: nothing before it recurs, the shuffle after it does.
    {"capture then shuffle",
     "4k3/8/8/3p4/4N3/8/8/4K3 w - - 0 1",
     {"e4d6", "e8e7", "d6b5", "e7e8", "b5d6", "e8e7", "d6b5", "e7e8", "b5d6"}},
    // A pawn move in the middle of the shuffles.
    {"pawn move between shuffles",
     "4k3/8/8/8/8/8/4P3/4K1N1 w - - 0 1",
     {"g1f3", "e8d8", "f3g1", "d8e8", "e2e3", "e8d8", "g1f3", "d8e8", "f3g1", "e8d8", "g1f3"}},
    // A half-move clock from the position's text: the history before the
    // root counts as long as no capture or pawn move came.
    {"clock from the text",
     "4k3/8/8/8/8/8/8/R3K3 w - - 7 20",
     {"a1a2", "e8d8", "a2a1", "d8e8", "a1a2", "e8d8"}},
};

// Plays `line` level by level from its position (with the position and the
// game history) and returns the count at
// each level.  `searchRule`: levels after the first use the search's count,
// with the slots filled beforehand with the key that recurs most, so that a
// slot read without being written would count.
std::vector<double> counts(const Line &line, bool searchRule) {
    load_fen(line.fen);
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    if (searchRule) {
        const HS root = SearchKeyForPlayer_s(currentPlayer);
        for (auto &key : searchPositionKey_s) key = root;
    }
    std::vector<double> result;
    int player = static_cast<int>(currentPlayer);
    bool keyWritten = true;
    for (size_t i = 0; i < line.moves.size(); ++i) {
        const int level = static_cast<int>(i) + 1;
        const char *m = line.moves[i];
        const int fx = m[0] - 'a', fy = '8' - m[1], tx = m[2] - 'a', ty = '8' - m[3];
        const int piece = static_cast<int>(board[fx][fy]);
        const int captured = static_cast<int>(board[tx][ty]);
        if (searchRule && !keyWritten && move_may_repeat(piece > 10 ? piece - 10 : piece, captured))
            WriteSearchKey(player, level - 1);
        MakeSearchMove(fx, fy, tx, ty);
        player = 3 - player;
        if (searchRule && level >= 2) {
            result.push_back(ChildPositionOccurrences(player, level, keyWritten));
        } else {
            result.push_back(SearchPositionOccurrences(player, level));
            keyWritten = true;
        }
    }
    return result;
}

TEST(Repetition, SearchCountIsTheFullCount) {
    for (const Line &line : kLines) {
        const std::vector<double> full = counts(line, false), search = counts(line, true);
        EXPECT_EQ(search, full) << line.name;
        double most = 0;
        for (double c : full) most = c > most ? c : most;
        EXPECT_GE(most, 1) << line.name << ": the line repeats nothing";
    }
}

// The full counts of the knight shuffle: the root position (in the history
// once) at levels 4 and 8, each position of the first round once more in the
// second.
TEST(Repetition, KnightShuffleCounts) {
    EXPECT_EQ(counts(kLines[0], false), (std::vector<double>{0, 0, 0, 1, 1, 1, 1, 2}));
}

}  // namespace
