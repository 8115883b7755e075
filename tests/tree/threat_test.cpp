// Pawn forks as the quiet search sees them: a pawn attacks two enemy
// rooks, knights, bishops or queens; never a pawn on the a- or h-file, and
// never by looking past the edge of the board (row and column 8 of the
// board array are no squares).
#include "core/tree/threat_tests.h"
#include "tests/test_support.h"

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
    // A second target where a square count would wrap round to the other
    // edge of the board: a3 with b4 and h5, h3 with g4 and a3, and a Black
    // h6 with g5 and a4.
    {"a-file wrap", "4k3/8/8/7r/1n6/P7/8/4K3 w - - 0 1", 1, 0, 5, 0},
    {"h-file wrap", "4k3/8/8/8/6r1/n6P/8/4K3 w - - 0 1", 1, 7, 5, 0},
    {"h-file wrap, black", "4k3/8/7p/6R1/B7/8/8/4K3 b - - 0 1", 2, 7, 2, 0},
};

// The array cells beyond the board hold enemy piece codes: a test that
// looked past the edge would find a second target there.
void fill_beyond_the_edge(double code) {
    for (int i = 0; i < 9; i++) board[8][i] = board[i][8] = code;
}

// The board's test with and without enemy codes beyond the edge; the
// view's fork squares, for both sides, agree with it on every square: a
// shift by the wrong amount or a missing edge mask would fork across the
// a- or h-file, or from a rank too far.
TEST(PawnFork, TargetsOnTheBoardOnly) {
    for (const ForkCase &c : kForks) {
        for (bool filled : {false, true}) {
            load_fen(c.fen);
            if (filled) fill_beyond_the_edge(c.player == 1 ? 12 : 2);
            EXPECT_EQ(PawnForkTargets(c.player, c.x, c.y), c.forks) << c.name << ", " << filled;
            fill_beyond_the_edge(0);
        }
        const BoardView v = board_view();
        for (int side : {1, 2}) {
            const uint64_t forks = pawn_fork_squares(v, side);
            for (int y = 0; y < 8; y++)
                for (int x = 0; x < 8; x++)
                    EXPECT_EQ(static_cast<double>((forks >> square_of(x, y)) & 1),
                              PawnForkTargets(side, x, y))
                        << c.name << ", side " << side << ", " << x << "," << y;
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
