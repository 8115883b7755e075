// Board rules: published perft counts (which cover move validation, attacks
// and the move maker), FEN and move text, game-state queries, keys and
// repetitions.  Each piece's rule against the basic test: board_view_test.
#include "core/board/dead_material.h"
#include "tests/test_support.h"

namespace {

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char kKiwipete[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// Published counts of well-known test positions (cheap depths only here;
// bench/perft runs the deep ones), with the processor's bit-count
// instruction (where there is one) and with the portable count.  Counting
// leaves the position and its history as they were.
TEST(Perft, PublishedCounts) {
    const struct {
        const char *fen;
        int depth;
        uint64_t nodes;
    } cases[] = {
        {kStart, 0, 1},
        {kStart, 1, 20},
        {kStart, 3, 8902},
        {kStart, 4, 197281},
        {kKiwipete, 1, 48},
        {kKiwipete, 3, 97862},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3, 89890},
        {"8/P7/8/8/8/8/8/K6k w - - 0 1", 1, 4 + 3},  // four promotions plus the king's moves
    };
    for (const bool hardware : {true, false}) {
        perftHardwareBitCount = hardware;
        for (const auto &c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << c.fen << " depth " << c.depth << (hardware ? "" : " portable"));
            load_fen(c.fen);
            const std::string key = PositionKey_s().v;
            const double count = positionCount, moves = moveCount;
            EXPECT_EQ(perft(c.depth), c.nodes);
            EXPECT_EQ(PositionKey_s().v, key);
            EXPECT_EQ(positionCount, count);
            EXPECT_EQ(moveCount, moves);
        }
    }
    perftHardwareBitCount = true;
}

// The six "moved" flags that stand for the castling rights, as bits: king,
// rook a, rook h; White then Black.
double castling_flags() {
    return whiteKingMoved + 2 * whiteRookAMoved + 4 * whiteRookHMoved + 8 * blackKingMoved +
           16 * blackRookAMoved + 32 * blackRookHMoved;
}

// The move maker clears a castling right when the king or a rook leaves
// its home square, or a rook is taken there.
TEST(MoveMaker, CastlingRightsCleared) {
    const struct {
        int fx, fy, tx, ty;
        double bits;
    } moves[] = {
        {4, 7, 5, 7, 1},  {0, 7, 1, 7, 2}, {7, 7, 6, 7, 4},  {7, 7, 7, 0, 36},
        {0, 7, 0, 0, 18}, {4, 0, 3, 0, 8}, {0, 0, 0, 7, 18}, {7, 0, 7, 7, 36},
    };
    for (const auto &m : moves) {
        load_fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
        MakeSearchMove(m.fx, m.fy, m.tx, m.ty);
        EXPECT_EQ(castling_flags(), m.bits) << m.fx << m.fy << m.tx << m.ty;
    }
}

// A snapshot taken before moves are played puts every field they change
// back: the board (a castling rook, an en-passant victim, a promoted pawn,
// a rook taken on its corner), the castling flags, the en-passant square,
// the half-move clock and the side to move.
TEST(MoveMaker, SnapshotPutsEveryFieldBack) {
    const struct {
        const char *fen, *moves;
    } cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1 e8c8"},
        {"rnbqkbnr/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3", "d5e6 d7e6"},
        {"r3k2r/1P6/8/8/8/8/6p1/R3K2R w KQkq - 7 1", "b7a8n g2h1q"},
        {kKiwipete, "e2a6 h3g2 a6b7"},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        const State before = state_get();
        const std::string bytes = state_bytes(), key = PositionKey_s().v;
        std::string moves = c.moves;
        ASSERT_EQ(apply_uci_list(&moves[0]), 1) << c.fen;
        ASSERT_NE(std::string(PositionKey_s().v), key) << c.fen;
        state_put(&before);
        EXPECT_TRUE(state_bytes() == bytes) << c.fen;
        EXPECT_EQ(std::string(PositionKey_s().v), key) << c.fen;
    }
}

// The side to move (and the engine's side), the half-move clock, the
// half-moves played, the castling flags and the en-passant square
// (column, row) that a FEN sets.
TEST(Fen, AcceptedFieldsAndCounters) {
    const std::pair<std::string, const char *> cases[] = {
        {"8/8/8/8/8/8/8/K6k w - -", "1 1 clock 0 moves 0 castling 63 ep -1,-1"},
        {"8/8/8/8/8/8/8/K6k b - - 0 40", "2 2 clock 0 moves 79 castling 63 ep -1,-1"},
        // Unknown letters are skipped: White keeps the h-rook's right alone.
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kx - 0 1", "1 1 clock 0 moves 0 castling 58 ep -1,-1"},
        {mirror_fen("r3k2r/8/8/8/8/8/8/R3K2R w Kx - 0 1"),
         "2 2 clock 0 moves 1 castling 23 ep -1,-1"},
        {"4k3/8/8/8/8/8/8/4K3 w - e3 7 1", "1 1 clock 7 moves 0 castling 63 ep 4,5"},
        {"4k3/8/8/8/8/8/8/4K3 b - d6 0 1", "2 2 clock 0 moves 1 castling 63 ep 3,2"},
    };
    for (const auto &c : cases) {
        load_fen(c.first.c_str());
        std::ostringstream got;
        got << currentPlayer << " " << computerPlayer << " clock " << halfmoveClock << " moves "
            << moveCount << " castling " << castling_flags() << " ep " << enPassantX << ","
            << enPassantY;
        EXPECT_EQ(got.str(), c.second) << c.first;
    }
    load_fen(start_fen);
    EXPECT_EQ(positionCount, 1);
    EXPECT_STREQ(positionHistory_s[0].v, PositionKey_s().v);
}

TEST(Fen, RejectionChangesNothing) {
    const char *bad[] = {
        "",
        "8/8/8/8/8/8/8/K6k w",              // three fields
        "ppppppppp/8/8/8/8/8/8/K6k w - -",  // nine squares on a rank
        "8/8/8/8/8/8/8/K6k0 w - -",         // digit 0
        "9/8/8/8/8/8/8/K6k w - -",          // digit 9
        "8/8/8/8/8/8/K6k w - -",            // seven ranks
        "8/8/8/8/8/8/8/8/K6k w - -",        // nine ranks
        "8/8/8/8/8/8/8/KK5k w - -",         // two White kings
        "8/8/8/8/8/8/8/7k w - -",           // no White king
        "8/8/8/8/8/8/8/K6x w - -",          // unknown letter
        "8/8/8/8/8/8/8/K5k w - -",          // short last rank
        "8/8/8/8/8/8/8/K6k x - -",          // side
        "8/8/8/8/8/8/8/K6k w - e4",         // en-passant rank
        "8/8/8/8/8/8/8/K6k w - i3",         // en-passant file
        "8/8/8/8/8/8/8/K6k w - e",          // en-passant length
        "8/8/8/8/8/8/8/K6k w - - -1 1",     // negative clock
    };
    load_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 3 7");
    ASSERT_EQ(apply_uci("e7d6"), 1);
    const std::string before = state_bytes();
    const double count = positionCount, moves = moveCount;
    const HS key = PositionKey_s();
    for (const char *fen : bad) {
        EXPECT_EQ(set_fen(fen), 0) << fen;
        EXPECT_TRUE(state_bytes() == before) << fen;
        EXPECT_EQ(positionCount, count) << fen;
        EXPECT_EQ(moveCount, moves) << fen;
        EXPECT_STREQ(PositionKey_s().v, key.v) << fen;
    }
}

TEST(MoveText, PromotionsAndRejections) {
    const struct {
        const char *move;
        int ok;
        double piece;  // on e8 afterwards when accepted
    } cases[] = {{"e7e8q", 1, 5}, {"e7e8n", 1, 3}, {"e7e8r", 1, 2}, {"e7e8b", 1, 4},
                 {"e7e8Q", 0, 0}, {"e7e8", 0, 0},  {"e7e8k", 0, 0}, {"e7e8p", 0, 0}};
    for (const auto &c : cases) {
        load_fen("1k6/4P3/8/8/8/8/8/4K3 w - - 0 1");
        EXPECT_EQ(apply_uci(c.move), c.ok) << c.move;
        if (c.ok) {
            EXPECT_EQ(board[4][0], c.piece) << c.move;
            EXPECT_EQ(currentPlayer, 2);
            EXPECT_EQ(positionCount, 2);
        } else {
            EXPECT_EQ(board[4][1], 1) << c.move;
            EXPECT_EQ(positionCount, 1);
        }
    }
    load_fen(start_fen);
    const char *rejected[] = {"e2e4q", "e7e5", "e3e4", "e2e5", "i2i4", "e2e", "e2e4e4", "e9e4"};
    for (const char *m : rejected) EXPECT_EQ(apply_uci(m), 0) << m;
    EXPECT_EQ(apply_uci("e2e4"), 1);
    EXPECT_EQ(apply_uci("e2e4"), 0);  // Black to move now
    load_fen("4k3/8/8/8/8/8/p7/4K3 b - - 0 1");
    EXPECT_EQ(apply_uci("a2a1n"), 1);
    EXPECT_EQ(board[0][7], 13);
    EXPECT_STREQ(ComputerMoveText_s(1, 4, 1, 4, 0).v, "e7e8q");
    EXPECT_STREQ(ComputerMoveText_s(11, 0, 6, 0, 7).v, "a2a1q");
    EXPECT_STREQ(ComputerMoveText_s(3, 6, 7, 5, 5).v, "g1f3");
}

TEST(History, CapAtThousandAndOneKeys) {
    load_fen(start_fen);
    const char *cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(apply_uci(cycle[i % 4]), 1) << i;
    EXPECT_EQ(positionCount, 1001);
    EXPECT_EQ(moveCount, 1000);
    ASSERT_EQ(apply_uci("g1f3"), 1);  // still made, no longer recorded
    EXPECT_EQ(positionCount, 1001);
    EXPECT_EQ(moveCount, 1001);
    EXPECT_EQ(board[5][5], 3);
}

TEST(GameState, MovesMatesAndMaterial) {
    load_fen("k7/2K1P3/8/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(CountLegalMoves(1), 1 + 6);  // the promotion counts once
    const struct {
        const char *fen;
        int insufficient;
    } material[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},     {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1},
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 1},   {"2b1k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 0},
        {"1b2k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1}, {"4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1", 0},
        {"1n2k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 0}, {"4k3/8/8/8/8/8/P7/4K3 w - - 0 1", 0},
        {"2b1k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},   {"1n2k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 0},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 0},    {"3qk3/8/8/8/8/8/8/4K3 w - - 0 1", 0},
    };
    for (const auto &m : material) {
        load_fen(m.fen);
        EXPECT_EQ(IsInsufficientMaterial(), m.insufficient) << m.fen;
        // Dead material by the piece sets, as the quiet search asks it.
        EXPECT_EQ(insufficient_material(board_view()), m.insufficient == 1) << m.fen;
    }
}

TEST(Keys, EffectiveEnPassant) {
    // An en-passant square no pawn of the side to move can use is invisible.
    load_fen("4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1");
    const std::string withSquare = PositionKey_s().v;
    load_fen("4k3/8/8/8/4P3/8/8/4K3 b - - 0 1");
    EXPECT_EQ(withSquare, PositionKey_s().v);
    load_fen("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
    EXPECT_EQ(std::string(EffectiveEnPassant_s().v), "4,5");
    // The capture would expose the king along the rank.
    load_fen("8/8/8/8/k2pP2R/8/8/4K3 b - e3 0 1");
    EXPECT_EQ(std::string(EffectiveEnPassant_s().v), "-");
    load_fen("4k3/8/8/8/Pp6/8/8/4K3 b - a3 0 1");  // file a: right neighbour only
    EXPECT_EQ(std::string(EffectiveEnPassant_s().v), "0,5");
}

// The key lists the squares rank by rank from a8, each as its number and a
// comma, then the side, castling flags and en-passant text.  Squares written
// straight into the board between two keys must show in the second key,
// whichever ranks change and whatever was keyed before.
TEST(Keys, FollowDirectBoardWrites) {
    load_fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    int codes[8][8] = {};  // [x][y], as the board
    codes[4][0] = 16;
    codes[4][7] = 6;
    const auto expected = [&codes] {
        std::string key;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) key += std::to_string(codes[x][y]) + ",";
        return key + "P1K11R1111E-";  // no castling rights
    };
    ASSERT_EQ(std::string(PositionKey_s().v), expected());
    const struct {
        int x, y;
        double value;
        int code;  // as the key writes it
    } writes[] = {
        {0, 0, 12, 12}, {7, 0, 12, 12}, {3, 0, 15, 15},   // two-digit codes on rank 8
        {0, 7, 2, 2},   {7, 7, 2, 2},   {4, 6, 1, 1},     // rank 1 and 2
        {0, 0, 0, 0},   {3, 3, 11, 11}, {3, 3, -0.0, 0},  // a square emptied, minus zero
        {2, 5, 16, 16}, {5, 2, 10, 10}, {5, 2, 0, 0},     // outer codes of the range
        {1, 1, 9, 9},   {6, 6, 9, 9},   {1, 1, 0, 0},
    };
    char buffer[sizeof(HS::v)];
    std::memset(buffer, 'x', sizeof buffer);
    for (const auto &w : writes) {
        board[w.x][w.y] = w.value;
        codes[w.x][w.y] = w.code;
        EXPECT_EQ(std::string(PositionKey_s().v), expected()) << w.x << "," << w.y;
        // Keyed again unchanged, and into a buffer holding an older key.
        WritePositionKey(buffer, currentPlayer);
        EXPECT_EQ(std::string(buffer), expected()) << w.x << "," << w.y;
    }
    // Values that are no piece code are written out as numbers; the rank
    // reads as before once the square holds its code again.
    const struct {
        double value;
        const char *text;
    } odd[] = {{0.5, "0.5"}, {17, "17"}, {-1, "-1"}, {123, "123"}, {2.25, "2.25"}};
    for (const auto &o : odd) {
        board[3][4] = o.value;
        const std::string key = PositionKey_s().v;
        EXPECT_NE(key.find(std::string(",") + o.text + ","), std::string::npos) << o.text;
        board[3][4] = 0;
        EXPECT_EQ(std::string(PositionKey_s().v), expected()) << o.text;
    }
}

// A key recorded at an earlier level counts only when it is the same text
// throughout: keys differing in any one character, wherever it lies, or
// in length do not.
TEST(SearchState, RepetitionNeedsTheWholeKey) {
    load_fen(kKiwipete);
    const std::string key = PositionKey_s().v;
    ASSERT_GT(key.size(), 20u);
    std::vector<size_t> at = {0, 1, key.size() / 2};
    for (const size_t back : {16, 13, 12, 8, 2, 1}) at.push_back(key.size() - back);
    for (const size_t i : at) {
        std::string other = key;
        other[i] = other[i] == '0' ? '9' : '0';
        std::memset(searchPositionKey_s[1].v, 0, sizeof(HS::v));
        std::memcpy(searchPositionKey_s[1].v, other.c_str(), other.size());
        EXPECT_EQ(SearchPositionOccurrences(currentPlayer, 2), 1) << i;  // the game's own key
    }
    std::string longer = key + "0";
    std::memcpy(searchPositionKey_s[1].v, longer.c_str(), longer.size() + 1);
    EXPECT_EQ(SearchPositionOccurrences(currentPlayer, 2), 1);
    std::memcpy(searchPositionKey_s[1].v, key.c_str(), key.size() + 1);
    EXPECT_EQ(SearchPositionOccurrences(currentPlayer, 2), 2);
}

TEST(SearchState, Repetitions) {
    load_fen(start_fen);
    // g1f3 g8f6 f3g1 f6g8 returns to the start: the key occurs twice in the game.
    for (const char *m : {"g1f3", "g8f6", "f3g1", "f6g8"}) ASSERT_EQ(apply_uci(m), 1);
    EXPECT_EQ(SearchPositionOccurrences(1, 1), 2);
    EXPECT_EQ(IsSearchRepetition(1, 1), 1);
    load_fen(start_fen);
    SearchPositionOccurrences(1, 1);                // records the start key at level 1
    EXPECT_EQ(SearchPositionOccurrences(1, 3), 2);  // history + level 1
    EXPECT_EQ(SearchPositionOccurrences(1, 1), 1);  // its own level is not compared
}

}  // namespace
