// Pawn forks, knight forks and the queen's loose-minor target on hand-made
// positions, for both colours.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace {

// One probe per row: PawnForkTargets (square given), HasPawnForkThreat
// (x < 0) or QueenMinorTarget (x == -2).
struct Case {
    const char *name, *fen;
    int player, x, y;
    double expected;
};

TEST(Threats, PawnForksAndQueenTargets) {
    const Case cases[] = {
        // PawnForkTargets: pawn c3 against b4 and d4, pawn f6 against e5 and g5.
        {"rook and knight", "4k3/8/8/8/1r1n4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 1},
        {"pawn is no target", "4k3/8/8/8/1r1p4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"king is no target", "8/8/8/8/1r1k4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"queen and bishop", "4k3/8/8/8/1q1b4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 1},
        {"own pieces", "4k3/8/8/8/1R1N4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"only one side", "4k3/8/8/8/1r6/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"a-file", "4k3/8/8/8/1r1n4/P7/8/4K3 w - - 0 1", 1, 0, 5, 0},
        {"h-file", "4k3/8/8/8/4r1n1/7P/8/4K3 w - - 0 1", 1, 7, 5, 0},
        {"white last rank", "1r1n4/2P5/8/8/8/8/8/k3K3 w - - 0 1", 1, 2, 0, 0},
        {"black fork", "4k3/8/5p2/4N1R1/8/8/8/4K3 b - - 0 1", 2, 5, 2, 1},
        {"black own pieces", "4k3/8/5p2/4n1r1/8/8/8/4K3 b - - 0 1", 2, 5, 2, 0},
        {"black backwards", "4k3/4N1R1/5p2/8/8/8/8/4K3 b - - 0 1", 2, 5, 2, 0},
        {"black last rank", "4k3/8/8/8/8/8/8/K3N1R1 b - - 0 1", 2, 5, 7, 0},
        // HasPawnForkThreat: a legal push (not a capture) that forks.
        {"double step", "4k3/8/8/2r1n3/8/8/3P4/4K3 w - - 0 1", 1, -1, 0, 1},
        {"double step blocked", "4k3/8/8/2r1n3/8/3N4/3P4/4K3 w - - 0 1", 1, -1, 0, 0},
        {"double step off start", "4k3/8/2r1n3/8/8/3P4/8/4K3 w - - 0 1", 1, -1, 0, 0},
        {"single step", "4k3/8/3n1r2/8/4P3/8/8/4K3 w - - 0 1", 1, -1, 0, 1},
        {"single step blocked", "4k3/8/3n1r2/4p3/4P3/8/8/4K3 w - - 0 1", 1, -1, 0, 0},
        {"capture fork", "4k3/8/2n1r3/3p4/4P3/8/8/4K3 w - - 0 1", 1, -1, 0, 0},
        {"pinned pawn", "4k3/8/8/2r1n3/1b6/8/3P4/4K3 w - - 0 1", 1, -1, 0, 0},
        {"in check", "4k3/8/8/2r1n3/8/8/3P4/2K5 w - - 0 1", 1, -1, 0, 0},
        {"b-file", "4k3/8/8/r1n5/8/8/1P6/4K3 w - - 0 1", 1, -1, 0, 1},
        {"g-file", "4k3/8/8/5n1r/8/8/6P1/4K3 w - - 0 1", 1, -1, 0, 1},
        {"pawn and king", "8/8/8/2p1k3/8/8/3P4/4K3 w - - 0 1", 1, -1, 0, 0},
        {"other side", "4k3/8/8/2r1n3/8/8/3P4/4K3 b - - 0 1", 2, -1, 0, 0},
        {"black double step", "4k3/4p3/8/8/3R1B2/8/8/4K3 b - - 0 1", 2, -1, 0, 1},
        {"black single step", "4k3/8/4p3/8/3R1Q2/8/8/4K3 b - - 0 1", 2, -1, 0, 1},
        {"white vs own", "4k3/4p3/8/8/3R1B2/8/8/4K3 w - - 0 1", 1, -1, 0, 0},
        // QueenMinorTarget: 1 + x * 8 + y of the first loose minor in scan.
        {"only a rook", "4k3/8/8/8/8/8/r7/Q3K3 w - - 0 1", 1, -2, 0, 0},
        {"knight a1", "4k3/8/8/8/Q7/8/8/n3K3 w - - 0 1", 1, -2, 0, 8},
        {"own pawn blocks", "4k3/8/8/8/Q7/8/P7/n3K3 w - - 0 1", 1, -2, 0, 0},
        {"no queen", "4k3/8/8/8/R7/8/8/n3K3 w - - 0 1", 1, -2, 0, 0},
        {"scan order", "4k3/3b4/8/8/3Q4/8/8/n3K3 w - - 0 1", 1, -2, 0, 26},
        {"pinned queen", "4r1k1/8/8/1n6/8/8/4Q3/4K3 w - - 0 1", 1, -2, 0, 0},
        {"unpinned queen", "6k1/8/8/1n6/8/8/4Q3/4K3 w - - 0 1", 1, -2, 0, 12},
        {"last queen counts", "7Q/6b1/3k4/8/8/8/1P6/Q3K3 w - - 0 1", 1, -2, 0, 0},
        {"single queen h8", "7Q/6b1/3k4/8/8/8/1P6/4K3 w - - 0 1", 1, -2, 0, 50},
        {"black queen", "4k3/8/8/7q/8/8/4B3/K7 b - - 0 1", 2, -2, 0, 39},
        {"black own minor", "4k3/8/8/7q/8/8/4b3/K7 b - - 0 1", 2, -2, 0, 0},
    };
    for (const Case &c : cases) {
        load_fen(c.fen);
        const double got = c.x >= 0    ? PawnForkTargets(c.player, c.x, c.y)
                           : c.x == -1 ? HasPawnForkThreat(c.player)
                                       : QueenMinorTarget(c.player);
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// The knight's move (from x/y, to x/y) is made after saving slot 1; level 2
// then compares with the position before it.
TEST(Threats, KnightForkOfAJustArrivedKnight) {
    const struct {
        const char *name, *fen;
        int fx, fy, tx, ty, player;
        double expected;
    } cases[] = {
        {"rook and bishop", "4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 1},
        {"two bishops", "4k3/2b1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"rook and king", "8/2r1k3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"queen and knight", "4k3/8/1n3q2/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 1},
        {"rook and pawn", "4k3/2r1p3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"two rooks", "4k3/2r1r3/8/8/8/2N5/8/7K w - - 0 1", 2, 5, 3, 3, 1, 1},
        {"one capture illegal", "4k3/2r1r3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"pinned knight", "3rk3/2r1b3/8/8/8/2N5/8/3K4 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"edge knight", "4k3/1r6/2b5/8/8/1N6/8/4K3 w - - 0 1", 1, 5, 0, 3, 1, 1},
        {"black knight", "4k3/8/8/5n2/8/8/2R1B3/4K3 b - - 0 1", 5, 3, 3, 4, 2, 1},
        {"black, minors only", "4k3/8/8/5n2/8/8/2N1B3/4K3 b - - 0 1", 5, 3, 3, 4, 2, 0},
        {"other side asked", "4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 2, 0},
        {"knight did not move", "4k3/2r1b3/8/3N4/8/8/8/4K3 w - - 0 1", 4, 7, 3, 7, 1, 0},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        SaveSearchState(1);
        MakeSearchMove(c.fx, c.fy, c.tx, c.ty);
        EXPECT_EQ(HasKnightForkThreat(c.player, 2), c.expected) << c.name;
    }
    // Only the slot just below the level counts, and there is none below 0.
    load_fen("4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1");
    SaveSearchState(3);
    MakeSearchMove(2, 5, 3, 3);
    SaveSearchState(2);
    EXPECT_EQ(HasKnightForkThreat(1, 4), 1);
    EXPECT_EQ(HasKnightForkThreat(1, 3), 0);
    EXPECT_EQ(HasKnightForkThreat(1, 0), 0);
}

}  // namespace
