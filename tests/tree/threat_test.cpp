// Pawn forks as the quiet search sees them: a pawn attacks two enemy
// rooks, knights, bishops or queens; never a pawn on the a- or h-file, and
// never by looking past the edge of the board (row and column 8 of the
// board array are no squares).
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

struct ForkCase {
    const char *name, *fen;
    double player, x, y;
    double forks;
};

const ForkCase kForks[] = {
    // A White pawn on c3 (2, 5) against b4 and d4.
    {"rook and knight", "4k3/8/8/8/1r1n4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 1},
    {"rook and pawn", "4k3/8/8/8/1r1p4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
    {"rook and king", "8/8/8/8/1r1k4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
    {"own pieces", "4k3/8/8/8/1R1N4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
    // A Black pawn on f6 (5, 2) against e5 and g5: queen and bishop.
    {"black pawn", "4k3/8/5p2/4Q1B1/8/8/8/4K3 b - - 0 1", 2, 5, 2, 1},
    // Edge files: a pawn there attacks one square only.
    {"a-file", "4k3/8/8/8/1r6/P7/8/4K3 w - - 0 1", 1, 0, 5, 0},
    {"h-file", "4k3/8/8/8/6r1/7P/8/4K3 w - - 0 1", 1, 7, 5, 0},
    {"h-file, black", "4k3/8/7p/6R1/8/8/8/4K3 b - - 0 1", 2, 7, 2, 0},
};

// The array cells beyond the board hold enemy piece codes: a test that
// looked past the edge would find a second target there.
void fill_beyond_the_edge(double code) {
    for (int i = 0; i < 9; i++) board[8][i] = board[i][8] = code;
}

TEST(PawnFork, TargetsOnTheBoardOnly) {
    for (const ForkCase &c : kForks) {
        for (bool filled : {false, true}) {
            load_fen(c.fen);
            if (filled) fill_beyond_the_edge(c.player == 1 ? 12 : 2);
            EXPECT_EQ(PawnForkTargets(c.player, c.x, c.y), c.forks) << c.name << ", " << filled;
            fill_beyond_the_edge(0);
        }
    }
    // Pawns whose attacked rank lies beyond the board: White on rank 8
    // (c8), Black on rank 1 (c1).
    load_fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    fill_beyond_the_edge(12);
    EXPECT_EQ(PawnForkTargets(1, 2, 0), 0);
    fill_beyond_the_edge(2);
    EXPECT_EQ(PawnForkTargets(2, 2, 7), 0);
    fill_beyond_the_edge(0);
}

}  // namespace
