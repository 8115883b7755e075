// The move lists of a search node: every quiet move that gives check
// (directly, by discovery, by castling, by promotion, or in a position whose
// king already stands attacked) goes behind the captures, and no other quiet
// move there; the node's one-scan collection fills the same lists as the
// capture and quiet collections one after the other; the node's legality
// shortcuts answer as the routines they stand for.
#include "core/tree/node_chain.h"
#include "tests/test_support.h"

namespace {

constexpr int kLevel = 3;

std::string row_text(const double *row) {
    return move_text(static_cast<int>(row[kColFromX]), static_cast<int>(row[kColFromY]),
                     static_cast<int>(row[kColToX]), static_cast<int>(row[kColToY]));
}

// The quiet moves the node's lists mark as checks, sorted.
std::vector<std::string> listed_checks(int side) {
    CollectInnerCaptures(side, kLevel);
    CollectHistoryQuietMoves(side, kLevel);
    std::vector<std::string> checks;
    const double(*rows)[kListColumns] = innerCaptures + kLevel * kListEntriesPerLevel;
    for (int i = 0; i < static_cast<int>(innerCaptureCount[kLevel]); ++i)
        if (rows[i][kColScore] == -kInfiniteScore) checks.push_back(row_text(rows[i]));
    std::sort(checks.begin(), checks.end());
    return checks;
}

TEST(QuietChecks, ListedBehindTheCaptures) {
    const struct {
        const char *name, *fen;
        std::vector<std::string> checks;
    } cases[] = {
        {"knight uncovers the rook",
         "4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1",
         {"e4c3", "e4c5", "e4d2", "e4d6", "e4f2", "e4f6", "e4g3", "e4g5"}},
        {"pawn uncovers the bishop", "7k/8/8/8/8/8/1P6/B5K1 w - - 0 1", {"b2b3", "b2b4"}},
        {"promotion checks along the rank", "3k4/1P6/8/8/8/8/8/4K3 w - - 0 1", {"b7b8"}},
        {"castling rook checks", "5k2/8/8/8/8/8/8/4K2R w K - 0 1", {"e1g1", "h1f1", "h1h8"}},
        {"pawn push checks", "8/8/3k4/8/2P5/8/8/4K3 w - - 0 1", {"c4c5"}},
        {"queen checks, knight does not",
         "4k3/8/8/8/8/8/8/1N1QK3 w - - 0 1",
         {"d1a4", "d1d7", "d1d8", "d1e2", "d1h5"}},
        {"a piece between stays a shield", "4k3/4n3/8/8/8/8/8/4R1K1 w - - 0 1", {}},
        // Black's king already attacked: every move that keeps the rook's
        // file open still checks; the king's step to e2 blocks it.
        {"king already attacked",
         "4k3/8/8/8/8/8/8/4RK2 w - - 0 1",
         {"e1e2", "e1e3", "e1e4", "e1e5", "e1e6", "e1e7", "f1f2", "f1g1", "f1g2"}},
    };
    for (const auto &c : cases)
        for (const bool twin : {false, true}) {
            const std::string fen = twin ? mirror_fen(c.fen) : c.fen;
            load_fen(fen.c_str());
            std::vector<std::string> expected;
            for (const std::string &m : c.checks) expected.push_back(twin ? mirror_move(m) : m);
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(listed_checks(static_cast<int>(currentPlayer)), expected)
                << c.name << ": " << fen;
        }
}

// The rows of one level's list as move texts with their order scores.
std::vector<std::string> list_rows(const double (*list)[kListColumns], double count) {
    std::vector<std::string> rows;
    const double(*level)[6] = list + kLevel * kListEntriesPerLevel;
    for (int i = 0; i < static_cast<int>(count); ++i)
        rows.push_back(row_text(level[i]) + " " + std::to_string(level[i][kColScore]));
    return rows;
}

const char *const kNodeFens[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    // En passant on d6; promotions with and without capture.
    "r1b1k2r/1P4pp/8/2pPp3/8/8/5PPP/4K2R w Kk e6 0 1",
    // In check: only evasions.
    "4k3/8/8/8/1b6/8/3P4/R3K2R w KQ - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    // Sliders blocked by both colours, pinned, and next to kings.
    "1k1r3q/1ppn3p/p4b2/4p3/8/P2N2P1/1PP1R1BP/2K1Q3 w - - 0 1",
    "4k3/8/8/1q2r3/8/3B4/4R3/4K3 w - - 0 1",
};

// check(fen, side) on every position of `fens` and its colour mirror, loaded.
template <size_t N, class Check>
void ForEachNodePosition(const char *const (&fens)[N], Check check) {
    for (const char *base : fens)
        for (const bool twin : {false, true}) {
            const std::string fen = twin ? mirror_fen(base) : base;
            load_fen(fen.c_str());
            check(fen, static_cast<int>(currentPlayer));
        }
}

// The node's lists as its one scan and its quiet pass fill them.
void collect_node_lists(int side) {
    BoardView view;
    CollectNodeMoves(side, kLevel, view);
    ListNodeQuietChecks(side, kLevel, view);
    ListNodeQuietMoves(kLevel);
}

// The node's lists hold every legal move once.  Its legality shortcuts
// answer as the routines they stand for: a move it replays from its lists
// needs no test, since every listed move was legal when collected
// (IsCollectedSearchMoveValid answers 1 at a list's order index); the move
// hash's move and the killers, met in other positions, are looked up among
// the collected moves, which must be IsMoveValid's verdict for every pair
// of squares.
TEST(NodeMoves, ListsHoldEveryLegalMoveOnceAndAnswerItsLegality) {
    ForEachNodePosition(kNodeFens, [](const std::string &fen, int side) {
        std::vector<std::string> legal;
        for_each_legal_move(side, [&legal](int fx, int fy, int tx, int ty) {
            legal.push_back(move_text(fx, fy, tx, ty));
        });
        std::sort(legal.begin(), legal.end());
        collect_node_lists(side);
        std::vector<std::string> listed = list_rows(innerCaptures, innerCaptureCount[kLevel]);
        for (const std::string &row : list_rows(historyQuietMoves, historyQuietCount[kLevel]))
            listed.push_back(row);
        for (std::string &row : listed) row.resize(4);  // the move without its score
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, legal) << fen;
        EXPECT_EQ(static_cast<double>(legal.size()), CountLegalMoves(side)) << fen;

        const int captures = static_cast<int>(innerCaptureCount[kLevel]);
        const int quiet = static_cast<int>(historyQuietCount[kLevel]);
        const double(*capture)[kListColumns] = innerCaptures + kLevel * kListEntriesPerLevel;
        const double(*quietMove)[kListColumns] = historyQuietMoves + kLevel * kListEntriesPerLevel;
        auto valid_at = [](int orderIndex, const double *row) {
            return IsCollectedSearchMoveValid(kLevel, orderIndex, row[kColFromX], row[kColFromY],
                                              row[kColToX], row[kColToY]);
        };
        for (int k = 0; k < captures; ++k)
            EXPECT_EQ(valid_at(k, capture[k]), 1) << fen << " capture " << row_text(capture[k]);
        for (int k = 0; k < quiet; ++k)
            EXPECT_EQ(valid_at(captures + kKillerSlots + k, quietMove[k]), 1)
                << fen << " quiet " << row_text(quietMove[k]);
        // The move hash's pass (-1) and the killer slots.
        const int lookedUp[] = {-1, captures, captures + 1};
        for (int fy = 0; fy < 8; ++fy)
            for (int fx = 0; fx < 8; ++fx) {
                if (colour_of(board[fx][fy]) != side) continue;
                for (int ty = 0; ty < 8; ++ty)
                    for (int tx = 0; tx < 8; ++tx)
                        for (const int orderIndex : lookedUp)
                            ASSERT_EQ(
                                IsNodeMoveLegal(kLevel, square_of(fx, fy), square_of(tx, ty)),
                                IsCollectedSearchMoveValid(kLevel, orderIndex, fx, fy, tx, ty) == 1)
                                << fen << " " << move_text(fx, fy, tx, ty) << " at order index "
                                << orderIndex;
            }
    });
}

TEST(NodeMoves, OneScanFillsTheSameLists) {
    ForEachNodePosition(kNodeFens, [](const std::string &fen, int side) {
        for (int i = 0; i < 4096; ++i) searchHistoryScore[side][i] = (i * 7919) % 101;
        CollectInnerCaptures(side, kLevel);
        CollectHistoryQuietMoves(side, kLevel);
        const auto captures = list_rows(innerCaptures, innerCaptureCount[kLevel]);
        const auto quiet = list_rows(historyQuietMoves, historyQuietCount[kLevel]);
        ASSERT_FALSE(captures.empty() && quiet.empty()) << fen;
        BoardView view;
        CollectNodeMoves(side, kLevel, view);
        // The node's subtree raises history scores before the node reaches
        // its quiet pass; the quiet list keeps the order of collection.
        for (int i = 0; i < 4096; ++i) searchHistoryScore[side][i] = (i * 104729) % 97;
        ListNodeQuietChecks(side, kLevel, view);
        ListNodeQuietMoves(kLevel);
        EXPECT_EQ(list_rows(innerCaptures, innerCaptureCount[kLevel]), captures) << fen;
        EXPECT_EQ(list_rows(historyQuietMoves, historyQuietCount[kLevel]), quiet) << fen;
        ClearSearchHistoryScores();
    });
}

// Positions whose side to move has no move: stalemate, mate, stalemate with
// a pinned piece, and stalemate behind a pawn.
const char *const kNoMoveFens[] = {
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1",
    "k7/b7/8/8/8/8/8/QR5K b - - 0 1",
    "4k3/4P3/4K3/8/8/8/8/8 b - - 0 1",
};

// The quiet search asks the board view whether a side can move; the
// double board's own scan, HasQuietLegalMove, must agree, and so must the
// game-state queries, for both sides of every position.
TEST(NodeMoves, AnyMoveAsTheGameStateSays) {
    auto check = [](const std::string &fen) {
        for (const int side : {kWhite, kBlack}) {
            const bool any = CountLegalMoves(side) > 0;
            EXPECT_EQ(HasQuietLegalMove(side), any ? 1 : 0) << fen << " side " << side;
            EXPECT_EQ(HasLegalMove(side), any ? 1 : 0) << fen << " side " << side;
        }
    };
    ForEachNodePosition(kNodeFens, [&check](const std::string &fen, int) { check(fen); });
    ForEachNodePosition(kNoMoveFens, [&check](const std::string &fen, int side) {
        EXPECT_EQ(HasQuietLegalMove(side), 0) << fen;
        check(fen);
    });
}

}  // namespace
