// Pawn forks, knight forks and the queen's loose-minor target on hand-made
// positions, for both colours.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct PawnForkCase {
    const char *name;
    const char *fen;
    int player, x, y;
    double expected;
};

TEST(ThreatPawnForkTargets, Table) {
    const PawnForkCase cases[] = {
        // White pawn c3 against rook b4 and knight d4.
        {"rook and knight", "4k3/8/8/8/1r1n4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 1},
        {"pawn does not count", "4k3/8/8/8/1r1p4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"king does not count", "8/8/8/8/1r1k4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"queen and bishop", "4k3/8/8/8/1q1b4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 1},
        {"own pieces", "4k3/8/8/8/1R1N4/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        {"only one side", "4k3/8/8/8/1r6/2P5/8/4K3 w - - 0 1", 1, 2, 5, 0},
        // a- and h-file pawns never fork, whatever stands beside them.
        {"a-file", "4k3/8/8/8/1r1n4/P7/8/4K3 w - - 0 1", 1, 0, 5, 0},
        {"h-file", "4k3/8/8/8/4r1n1/7P/8/4K3 w - - 0 1", 1, 7, 5, 0},
        {"white on the last rank", "1r1n4/2P5/8/8/8/8/8/k3K3 w - - 0 1", 1, 2, 0, 0},
        // Black pawn f6 against knight e5 and rook g5.
        {"black fork", "4k3/8/5p2/4N1R1/8/8/8/4K3 b - - 0 1", 2, 5, 2, 1},
        {"black ignores black pieces", "4k3/8/5p2/4n1r1/8/8/8/4K3 b - - 0 1", 2, 5, 2, 0},
        {"black wrong direction", "4k3/4N1R1/5p2/8/8/8/8/4K3 b - - 0 1", 2, 5, 2, 0},
        {"black on the last rank", "4k3/8/8/8/8/8/8/K3N1R1 b - - 0 1", 2, 5, 7, 0},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        EXPECT_EQ(PawnForkTargets(c.player, c.x, c.y), c.expected) << c.name;
    }
}

struct ThreatCase {
    const char *name;
    const char *fen;
    int player;
    double expected;
};

TEST(ThreatHasPawnForkThreat, Table) {
    const ThreatCase cases[] = {
        {"double step forks", "4k3/8/8/2r1n3/8/8/3P4/4K3 w - - 0 1", 1, 1},
        {"double step blocked", "4k3/8/8/2r1n3/8/3N4/3P4/4K3 w - - 0 1", 1, 0},
        {"double step only from the start rank", "4k3/8/2r1n3/8/8/3P4/8/4K3 w - - 0 1", 1, 0},
        {"single step forks", "4k3/8/3n1r2/8/4P3/8/8/4K3 w - - 0 1", 1, 1},
        {"single step blocked", "4k3/8/3n1r2/4p3/4P3/8/8/4K3 w - - 0 1", 1, 0},
        {"fork by capture does not count", "4k3/8/2n1r3/3p4/4P3/8/8/4K3 w - - 0 1", 1, 0},
        // The bishop on b4 pins the d2 pawn to the king on e1.
        {"pinned pawn", "4k3/8/8/2r1n3/1b6/8/3P4/4K3 w - - 0 1", 1, 0},
        {"push must answer a check", "4k3/8/8/2r1n3/8/8/3P4/2K5 w - - 0 1", 1, 0},
        {"b-file pawn", "4k3/8/8/r1n5/8/8/1P6/4K3 w - - 0 1", 1, 1},
        {"g-file pawn", "4k3/8/8/5n1r/8/8/6P1/4K3 w - - 0 1", 1, 1},
        {"pawns and king are no targets", "8/8/8/2p1k3/8/8/3P4/4K3 w - - 0 1", 1, 0},
        {"the other side's threat", "4k3/8/8/2r1n3/8/8/3P4/4K3 b - - 0 1", 2, 0},
        {"black double step", "4k3/4p3/8/8/3R1B2/8/8/4K3 b - - 0 1", 2, 1},
        {"black single step", "4k3/8/4p3/8/3R1Q2/8/8/4K3 b - - 0 1", 2, 1},
        {"black pieces not White's targets", "4k3/4p3/8/8/3R1B2/8/8/4K3 w - - 0 1", 1, 0},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        EXPECT_EQ(HasPawnForkThreat(c.player), c.expected) << c.name;
    }
}

struct KnightCase {
    const char *name;
    const char *fen;  // the position before the knight's move
    int fx, fy, tx, ty;
    int player;
    double expected;
};

TEST(ThreatHasKnightForkThreat, JustArrivedKnight) {
    const KnightCase cases[] = {
        // Nc3-d5 attacks c7 and e7.
        {"rook and bishop", "4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 1},
        {"two bishops", "4k3/2b1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"rook and king", "8/2r1k3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"queen and knight", "4k3/8/1n3q2/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 1},
        {"rook and pawn", "4k3/2r1p3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        {"two rooks", "4k3/2r1r3/8/8/8/2N5/8/7K w - - 0 1", 2, 5, 3, 3, 1, 1},
        // With the king on e1 in check from e7, only Nxe7 is legal.
        {"one capture illegal", "4k3/2r1r3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 1, 0},
        // Pinned on the d-file after the jump: it may capture nothing.
        {"pinned knight", "3rk3/2r1b3/8/8/8/2N5/8/3K4 w - - 0 1", 2, 5, 3, 3, 1, 0},
        // Nb3-a5 on the edge attacks b7 and c6.
        {"edge knight", "4k3/1r6/2b5/8/8/1N6/8/4K3 w - - 0 1", 1, 5, 0, 3, 1, 1},
        // Nf5-d4 attacks c2 and e2.
        {"black knight", "4k3/8/8/5n2/8/8/2R1B3/4K3 b - - 0 1", 5, 3, 3, 4, 2, 1},
        {"black knight, minors only", "4k3/8/8/5n2/8/8/2N1B3/4K3 b - - 0 1", 5, 3, 3, 4, 2, 0},
        // The knight that forks is White's, but Black's threat is asked.
        {"other side asked", "4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1", 2, 5, 3, 3, 2, 0},
        // A quiet king move; the knight on d5 stood there before.
        {"knight did not move", "4k3/2r1b3/8/3N4/8/8/8/4K3 w - - 0 1", 4, 7, 3, 7, 1, 0},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        SaveSearchState(1);
        MakeSearchMove(c.fx, c.fy, c.tx, c.ty);
        EXPECT_EQ(HasKnightForkThreat(c.player, 2), c.expected) << c.name;
    }
}

TEST(ThreatHasKnightForkThreat, ReadsTheSlotBelowTheLevel) {
    load_fen("4k3/2r1b3/8/8/8/2N5/8/4K3 w - - 0 1");
    SaveSearchState(3);  // before the jump, in slot 3
    MakeSearchMove(2, 5, 3, 3);
    SaveSearchState(2);  // after the jump, in slot 2
    EXPECT_EQ(HasKnightForkThreat(1, 4), 1);
    EXPECT_EQ(HasKnightForkThreat(1, 3), 0);
    // The test only reads: board and slots are untouched.
    EXPECT_EQ(board[3][3], 3);
    EXPECT_EQ(searchBoard[3][5 * 8 + 2], 3);
    // No slot below level 0.
    EXPECT_EQ(HasKnightForkThreat(1, 0), 0);
}

struct QueenCase {
    const char *name;
    const char *fen;
    int player;
    double expected;
};

TEST(ThreatQueenMinorTarget, Table) {
    const QueenCase cases[] = {
        {"only a rook", "4k3/8/8/8/8/8/r7/Q3K3 w - - 0 1", 1, 0},
        // Knight a1 is x 0, y 7: 0 * 8 + 1 + 7.
        {"knight on a1", "4k3/8/8/8/Q7/8/8/n3K3 w - - 0 1", 1, 8},
        {"blocked by own pawn", "4k3/8/8/8/Q7/8/P7/n3K3 w - - 0 1", 1, 0},
        {"no queen", "4k3/8/8/8/R7/8/8/n3K3 w - - 0 1", 1, 0},
        // d7 (3, 1) comes before a1 in the scan: 3 * 8 + 1 + 1.
        {"first in scan order", "4k3/3b4/8/8/3Q4/8/8/n3K3 w - - 0 1", 1, 26},
        // Qe2 is pinned by the rook on e8 and may not take on b5.
        {"pinned queen", "4r1k1/8/8/1n6/8/8/4Q3/4K3 w - - 0 1", 1, 0},
        {"unpinned twin", "6k1/8/8/1n6/8/8/4Q3/4K3 w - - 0 1", 1, 12},
        // Of two queens the last one in the scan (a1) counts; it sees nothing.
        {"last queen counts", "7Q/6b1/3k4/8/8/8/1P6/Q3K3 w - - 0 1", 1, 0},
        {"single queen h8", "7Q/6b1/3k4/8/8/8/1P6/4K3 w - - 0 1", 1, 50},
        // Black queen h5 against the bishop on e2 (4, 6).
        {"black queen", "4k3/8/8/7q/8/8/4B3/K7 b - - 0 1", 2, 39},
        {"black ignores black minors", "4k3/8/8/7q/8/8/4b3/K7 b - - 0 1", 2, 0},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        EXPECT_EQ(QueenMinorTarget(c.player), c.expected) << c.name;
    }
}

}  // namespace
