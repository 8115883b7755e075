// The node routines below the root (the depth chain and the depth-3 reply
// searches): mate, stalemate, fifty-move and repetition scores, and the
// first move a chain node takes from the move hash.  Move order and cutoff
// memory show in the bench node counts.
#include "core/tree/node_chain.h"
#include "tests/test_support.h"

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
    return move_text(currentPVFromX[l][l], currentPVFromY[l][l], currentPVToX[l][l],
                     currentPVToY[l][l]);
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

// A chain node takes its first move from the move hash, its legality from
// the moves the node collected (PrepareNodeMoveOrder); it must be what
// PrepareMoveHashOrder finds by IsMoveValid: the stored move when it is
// legal here, none when it is not (a pinned piece, an empty square, the
// other side's piece) or the move hash is off, and the preferred line's move
// ahead of the stored one.
TEST(MoveHash, NodeOrderAsThePreparedOrder) {
    const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const struct {
        const char *name, *fen, *stored, *preferred;
        bool hashOn;
        const char *first;  // the move expected first, null for none
    } cases[] = {
        {"nothing stored", start, nullptr, nullptr, true, nullptr},
        {"legal move", start, "g1f3", nullptr, true, "g1f3"},
        {"pinned knight", "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", "e2c3", nullptr, true, nullptr},
        {"empty square", start, "e4e5", nullptr, true, nullptr},
        {"other side's piece", start, "e7e5", nullptr, true, nullptr},
        {"move hash off", start, "g1f3", nullptr, false, nullptr},
        {"preferred line first", start, "g1f3", "b1c3", true, "b1c3"},
    };
    constexpr int kLevel = 2;
    for (const auto &c : cases)
        for (const bool twin : {false, true}) {
            const std::string fen = twin ? mirror_fen(c.fen) : c.fen;
            SCOPED_TRACE(std::string(c.name) + ": " + fen);
            // The code of a row's move as it stands on this board.
            const auto code_of = [twin](const char *m) {
                return text_code(twin ? mirror_move(m) : std::string(m));
            };
            Fresh(fen.c_str());
            const int player = static_cast<int>(currentPlayer);
            if (c.stored != nullptr) {
                ProbeMoveHash(kLevel, player);  // finds the slot the store writes
                const int code = code_of(c.stored);
                currentPVFromX[kLevel][kLevel] = move_from_x(code);
                currentPVFromY[kLevel][kLevel] = move_from_y(code);
                currentPVToX[kLevel][kLevel] = move_to_x(code);
                currentPVToY[kLevel][kLevel] = move_to_y(code);
                currentPVValid[kLevel][kLevel] = 1;
                StoreMoveHash(kLevel);
            }
            if (c.preferred != nullptr) {
                const int code = code_of(c.preferred);
                preferredPVValid[kLevel] = 1;
                preferredPVKey_s[kLevel] = SearchKeyForPlayer_s(player);
                preferredPVFromX[kLevel] = move_from_x(code);
                preferredPVFromY[kLevel] = move_from_y(code);
                preferredPVToX[kLevel] = move_to_x(code);
                preferredPVToY[kLevel] = move_to_y(code);
            }
            moveHashEnabled = c.hashOn ? 1 : 0;
            BoardView view;
            CollectNodeMoves(player, kLevel, view);
            const double nodeFound = PrepareNodeMoveOrder(kLevel, player, view);
            const double nodeOrder = moveHashOrder[kLevel];
            EXPECT_EQ(PrepareMoveHashOrder(kLevel, player), nodeFound);
            EXPECT_EQ(moveHashOrder[kLevel], nodeOrder);
            EXPECT_EQ(nodeFound, c.first == nullptr ? 0 : 1);
            if (c.first == nullptr) continue;
            const int code = code_of(c.first);
            EXPECT_EQ(IsMoveHashOrder(kLevel, move_from_x(code), move_from_y(code), move_to_x(code),
                                      move_to_y(code)),
                      1);
        }
}

}  // namespace
