// Which moves the quiet search follows: pawn forks, bishop support moves,
// en-passant captures, promotions, the knight-fork alarm and the kept chain.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Call {
    int player = 1;
    int remaining = 4;
    int level = 2;
    int checksLeft = 3;
    int forkReply = 0;
    int chainKeep = 0;
    double iterationDepth = 0;
    double activeChecks = 0;  // quiet checks already in the line
    bool emptySlotBelow = true;
};

struct Outcome {
    double score;
    double nodes;
};

Outcome run(const char *fen, const Call &c) {
    load_fen(fen);
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    if (c.emptySlotBelow && c.level > 0)
        for (int i = 0; i < 64; ++i) searchBoard[c.level - 1][i] = 0;
    searchIterationDepth = c.iterationDepth;
    quietNodes = quietCheckNodes = 0;
    quietCheckActive = c.activeChecks;
    computerNodes = 0;
    const double score = LimitedQuietSearch(c.player, c.remaining, c.level, -1000000, 1000000,
                                            c.checksLeft, c.forkReply, c.chainKeep);
    EXPECT_EQ(quietCheckActive, c.activeChecks) << fen;
    return {score, computerNodes};
}

double static_score(const char *fen) {
    load_fen(fen);
    return EvaluateBoard();
}

TEST(QuietTactics, PawnForkWinsMaterial) {
    struct Case {
        const char *name;
        const char *fen;
        int player;
    } cases[] = {
        // d3-d4, covered by the e3 pawn, forks the knight on c5 and the
        // bishop on e5.
        {"white fork", "7k/6pp/8/2n1b3/8/3PP3/6PP/7K w - - 0 1", 1},
        // ...d6-d5 forks the knight on c4 and the bishop on e4.
        {"black fork", "k7/pp6/3pp3/8/2N1B3/8/6PP/7K b - - 0 1", 2},
    };
    for (const auto &c : cases) {
        const double stat = static_score(c.fen);
        const double sign = c.player == 1 ? 1 : -1;
        Call call;
        call.player = c.player;
        const Outcome fork = run(c.fen, call);
        EXPECT_GT(sign * (fork.score - stat), 100) << c.name;
        EXPECT_GT(fork.nodes, 3) << c.name;
        // No fork without a check to spend, nor at level 9.
        call.checksLeft = 0;
        const Outcome none = run(c.fen, call);
        EXPECT_EQ(none.score, stat) << c.name;
        EXPECT_EQ(none.nodes, 1) << c.name;
        call = Call();
        call.player = c.player;
        call.level = 9;
        EXPECT_EQ(run(c.fen, call).nodes, 1) << c.name;
        // Nor when the capture budget is spent.
        call.level = 2;
        call.remaining = 0;
        EXPECT_EQ(run(c.fen, call).nodes, 1) << c.name;
    }
}

TEST(QuietTactics, SupportMoveOnlyInsideAQuietCheckLine) {
    // Qd1 attacks the knight on d5; Bf1-c4 or Bf1-g2 would add a second
    // attacker.  The knight is defended by the e6 pawn.
    const char *support = "7k/6pp/4p3/3n4/8/8/7P/3Q1BK1 w - - 0 1";
    // The same with the bishop already bearing on d5 from g2.
    const char *already = "7k/6pp/4p3/3n4/8/8/6BP/3Q2K1 w - - 0 1";
    ASSERT_EQ((load_fen(support), QueenMinorTarget(1)), 1 + 3 * 8 + 3);

    struct Case {
        const char *name;
        const char *fen;
        double activeChecks;
        double iterationDepth;
        bool more;
    } cases[] = {
        {"inside a quiet-check line two plies below the horizon", support, 1, 1, true},
        {"not two plies below the horizon", support, 1, 5, false},
        {"outside quiet-check lines", support, 0, 1, false},
        {"bishop already attacks the knight", already, 1, 1, false},
    };
    for (const auto &c : cases) {
        Call call;
        call.level = 3;
        call.activeChecks = c.activeChecks;
        call.iterationDepth = c.iterationDepth;
        const Outcome with = run(c.fen, call);
        call.iterationDepth = 5;  // no support target at level 3
        const Outcome without = run(c.fen, call);
        if (c.more)
            EXPECT_GT(with.nodes, without.nodes) << c.name;
        else
            EXPECT_EQ(with.nodes, without.nodes) << c.name;
    }
}

TEST(QuietTactics, EnPassantAndPromotion) {
    struct Case {
        const char *name;
        const char *fen;
        int player;
        int remaining;
        int checksLeft;
        bool searched;
    } cases[] = {
        {"en passant while the budget lasts", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", 1, 1, 3, true},
        {"en passant at remaining 0", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", 1, 0, 3, false},
        // exd6 checks the king on c7: at remaining 0 it is a quiet check.
        {"checking en passant at remaining 0", "8/2k5/8/3pP3/8/8/8/4K3 w - d6 0 1", 1, 0, 3, true},
        {"checking en passant, no checks left", "8/2k5/8/3pP3/8/8/8/4K3 w - d6 0 1", 1, 0, 0,
         false},
        {"black en passant", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", 2, 1, 3, true},
        {"black en passant at remaining 0", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", 2, 0, 3, false},
        {"promotion while the budget lasts", "7k/P7/8/8/8/8/8/4K3 w - - 0 1", 1, 1, 3, true},
        {"promotion at remaining 0", "7k/P7/8/8/8/8/8/4K3 w - - 0 1", 1, 0, 3, false},
        {"black promotion", "4k3/8/8/8/8/8/p7/7K b - - 0 1", 2, 1, 3, true},
        {"black promotion at remaining 0", "4k3/8/8/8/8/8/p7/7K b - - 0 1", 2, 0, 3, false},
    };
    for (const auto &c : cases) {
        Call call;
        call.player = c.player;
        call.remaining = c.remaining;
        call.checksLeft = c.checksLeft;
        const Outcome o = run(c.fen, call);
        if (c.searched)
            EXPECT_GT(o.nodes, 1) << c.name;
        else
            EXPECT_EQ(o.nodes, 1) << c.name;
    }
    // The promotion wins a queen.
    const char *promote = "7k/P7/8/8/8/8/8/4K3 w - - 0 1";
    Call call;
    call.remaining = 1;
    EXPECT_GT(run(promote, call).score, static_score(promote) + 500);
}

TEST(QuietTactics, KnightForkAlarmAtTheHorizon) {
    // Black's knight has just jumped to d4 and forks the rook on c2 and the
    // bishop on e2; the slot below says it was not there before.
    const char *fen = "4k3/8/8/8/3n4/8/2R1B3/4K3 w - - 0 1";
    Call call;
    call.level = 2;
    call.iterationDepth = 2;
    const Outcome alarmed = run(fen, call);
    Call answer = call;
    answer.forkReply = 1;
    const Outcome answered = run(fen, answer);
    EXPECT_EQ(alarmed.score, answered.score);
    EXPECT_EQ(alarmed.nodes, answered.nodes);

    struct Case {
        const char *name;
        int level;
        double depth;
        int checksLeft;
    } quietCases[] = {
        {"not at the horizon", 2, 1, 3},
        {"a check already spent", 2, 2, 2},
        {"level 1 has no alarm", 1, 1, 3},
    };
    for (const auto &c : quietCases) {
        Call q;
        q.level = c.level;
        q.iterationDepth = c.depth;
        q.checksLeft = c.checksLeft;
        EXPECT_LT(run(fen, q).nodes, alarmed.nodes) << c.name;
    }
    // The knight stood on d4 before the last move: no alarm.
    load_fen(fen);
    SaveSearchState(1);
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    searchIterationDepth = 2;
    quietNodes = quietCheckNodes = quietCheckActive = 0;
    computerNodes = 0;
    LimitedQuietSearch(1, 4, 2, -1000000, 1000000, 3, 0, 0);
    EXPECT_LT(computerNodes, alarmed.nodes);
}

TEST(QuietTactics, PawnForkReplyCostsTheRepliesACheck) {
    // Black's ...Ra1+ is a quiet check against the castled king.  Answering
    // a pawn-fork threat spends a check for the replies, answering any other
    // fork does not.
    const char *fen = "7k/8/8/8/8/8/r4PPP/6K1 w - - 0 1";
    Call pawnFork;
    pawnFork.level = 7;
    pawnFork.checksLeft = 1;
    pawnFork.forkReply = 2;
    Call otherFork = pawnFork;
    otherFork.forkReply = 1;
    EXPECT_LT(run(fen, pawnFork).nodes, run(fen, otherFork).nodes);
}

TEST(QuietTactics, KeptChainRevivesASpentBudget) {
    // Rxb7 is a plain capture: searched at remaining 0 only while the chain
    // is kept.
    const char *fen = "6k1/1n3ppp/8/8/8/8/8/1R4K1 w - - 0 1";
    struct Case {
        const char *name;
        int level;
        int chainKeep;
        double nodes;
    } cases[] = {
        {"no chain", 2, 0, 1},
        {"chain kept", 2, 1, 2},
        {"chain kept two plies", 2, 2, 2},
    };
    for (const auto &c : cases) {
        Call call;
        call.level = c.level;
        call.remaining = 0;
        call.chainKeep = c.chainKeep;
        EXPECT_EQ(run(fen, call).nodes, c.nodes) << c.name;
    }
}

}  // namespace
