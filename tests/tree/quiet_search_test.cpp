// The limited quiet search on hand-made positions: mate and draw scores,
// the static score at the ceiling, recaptures and checking captures at the
// end of the capture budget, quiet checks under their budgets and reserves,
// forced nodes and node budgets.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr double kWide = 1000000;

struct Params {
    int remaining = 4;
    int level = 1;
    int checksLeft = 3;
    int forkReply = 0;
    int chainKeep = 0;
    double alpha = -kWide;
    double beta = kWide;
    double iterationDepth = 0;  // keeps the level-tied alarms and reserves off
    double presetQuietNodes = 0;
    double presetCheckNodes = 0;
};

struct Outcome {
    double score;
    double nodes;
};

void clear_path_keys() {
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
}

// Runs one top-level quiet search on the loaded position.
Outcome quiet(int player, const Params &p = Params()) {
    clear_path_keys();
    searchIterationDepth = p.iterationDepth;
    quietNodes = p.presetQuietNodes;
    quietCheckNodes = p.presetCheckNodes;
    quietCheckActive = 0;
    computerNodes = 0;
    const double score = LimitedQuietSearch(player, p.remaining, p.level, p.alpha, p.beta,
                                            p.checksLeft, p.forkReply, p.chainKeep);
    return {score, computerNodes};
}

double eval_of(const char *fen) {
    load_fen(fen);
    return EvaluateBoard();
}

Params at_level(int level) {
    Params p;
    p.level = level;
    return p;
}

struct ScoreCase {
    const char *name;
    const char *fen;
    int player;
    int level;
    double score;
    double nodes;
};

TEST(QuietSearchScores, MateDrawAndDeadPositions) {
    const char *fools = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
    const char *scholars = "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4";
    const ScoreCase cases[] = {
        {"white mated at level 5", fools, 1, 5, -899995, 0},
        {"black mated at level 5", scholars, 2, 5, 899995, 0},
        {"white mated at level 1", fools, 1, 1, -899999, 0},
        {"black mated at level 8", scholars, 2, 8, 899992, 0},
        {"mate at level 11 is still mate", fools, 1, 11, -899989, 0},
        {"stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 2, 5, 0, 0},
        {"mate beats the fifty-move rule",
         "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 100 60", 1, 3, -899997, 0},
        {"fifty-move rule", "4k3/8/8/8/8/8/8/QQQ1K3 w - - 100 80", 1, 3, 0, 1},
        {"fifty-move rule, black", "4k3/8/8/8/8/8/8/QQQ1K3 b - - 101 80", 2, 3, 0, 1},
        {"king and knight", "8/8/8/4k3/8/8/8/3NK3 w - - 0 1", 1, 2, 0, 1},
        {"bishops on one colour", "8/8/3bk3/8/8/8/8/2B1K3 b - - 0 1", 2, 2, 0, 1},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        const Outcome o = quiet(c.player, at_level(c.level));
        EXPECT_EQ(o.score, c.score) << c.name;
        EXPECT_EQ(o.nodes, c.nodes) << c.name;
    }
}

TEST(QuietSearchScores, RepetitionScoresZeroBeforeAnythingElse) {
    // A queen up, but the position is about to occur for the third time.
    load_fen("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
    AddPositionHistory();
    Outcome o = quiet(1);
    EXPECT_EQ(o.score, 0);
    EXPECT_EQ(o.nodes, 0);

    // A mated side is not saved by a repetition.
    load_fen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    AddPositionHistory();
    o = quiet(1, at_level(2));
    EXPECT_EQ(o.score, -899998);

    // Seen once in the game and once on the search path.
    load_fen("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
    searchIterationDepth = 0;
    clear_path_keys();
    searchPositionKey_s[2] = SearchKeyForPlayer_s(1);
    quietNodes = quietCheckNodes = quietCheckActive = 0;
    EXPECT_EQ(LimitedQuietSearch(1, 4, 4, -kWide, kWide, 3, 0, 0), 0);
}

TEST(QuietSearchScores, CeilingReturnsTheStaticScoreEvenInCheck) {
    // White in check from the rook on e2; Kxe2 leaves two bare kings.
    const char *fen = "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1";
    const double stat = eval_of(fen);
    ASSERT_LT(stat, -100);
    load_fen(fen);
    Outcome o = quiet(1, at_level(11));
    EXPECT_EQ(o.score, stat);
    EXPECT_EQ(o.nodes, 1);
    // One level higher the check is answered and Kxe2 draws.
    load_fen(fen);
    o = quiet(1, at_level(10));
    EXPECT_EQ(o.score, 0);
}

TEST(QuietSearchScores, StandPatInAQuietPosition) {
    const char *fen = "4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1";
    const double stat = eval_of(fen);
    for (int player = 1; player <= 2; ++player) {
        load_fen(fen);
        const Outcome o = quiet(player);
        EXPECT_EQ(o.score, stat) << player;
        EXPECT_EQ(o.nodes, 1) << player;
    }
    // Outside the window the static score itself comes back.
    Params p;
    p.beta = stat - 50;
    load_fen(fen);
    EXPECT_EQ(quiet(1, p).score, stat);
    p = Params();
    p.alpha = stat + 50;
    load_fen(fen);
    EXPECT_EQ(quiet(2, p).score, stat);
}

// Black's queen has just taken a knight on d5; e4xd5 wins it back.
const char *kAfterQxd5 = "7k/6pp/8/3q4/4P3/8/6PP/7K w - - 0 1";
const char *kAfterExd5 = "7k/6pp/8/3P4/8/8/6PP/7K b - - 0 1";

TEST(QuietSearchCaptures, RecaptureAtTheEndOfTheCaptureBudget) {
    const double before = eval_of(kAfterQxd5);
    const double after = eval_of(kAfterExd5);
    ASSERT_GT(after, before);

    struct Case {
        const char *name;
        int remaining;
        bool knightWasOnD5;
        double score;
        double nodes;
    } cases[] = {
        {"recapture searched at remaining 0", 0, true, after, 2},
        {"other capture skipped at remaining 0", 0, false, before, 1},
        {"any capture searched while the budget lasts", 1, false, after, 2},
    };
    for (const auto &c : cases) {
        load_fen(kAfterQxd5);
        // Slot 1 holds the position before Black's last move; only d5 matters.
        for (int i = 0; i < 64; ++i) searchBoard[1][i] = 0;
        if (c.knightWasOnD5) searchBoard[1][3 * 8 + 3] = 3;
        Params p = at_level(2);
        p.remaining = c.remaining;
        const Outcome o = quiet(1, p);
        EXPECT_EQ(o.score, c.score) << c.name;
        EXPECT_EQ(o.nodes, c.nodes) << c.name;
    }
}

TEST(QuietSearchCaptures, CheckingCaptureAtTheEndOfTheCaptureBudget) {
    // Rxb8 mates along the back rank; Rxb7 is a plain capture.
    struct Case {
        const char *name;
        const char *fen;
        int player;
        int level;
        double score;
    } cases[] = {
        {"white checking capture", "1n4k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1", 1, 2, 899997},
        {"black checking capture", "1r4k1/8/8/8/8/8/5PPP/1N4K1 b - - 0 1", 2, 2, -899997},
        {"white checking capture at level 9", "1n4k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1", 1, 9, 899990},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        for (int i = 0; i < 64; ++i) searchBoard[c.level - 1][i] = 0;
        Params p = at_level(c.level);
        p.remaining = 0;
        p.checksLeft = 0;  // no quiet checks: only the capture can find the mate
        const Outcome o = quiet(c.player, p);
        EXPECT_EQ(o.score, c.score) << c.name;
        EXPECT_EQ(o.nodes, 1) << c.name;
    }
    // The plain capture is not searched at remaining 0.
    const char *plain = "6k1/1n3ppp/8/8/8/8/8/1R4K1 w - - 0 1";
    const double stat = eval_of(plain);
    load_fen(plain);
    for (int i = 0; i < 64; ++i) searchBoard[1][i] = 0;
    Params p = at_level(2);
    p.remaining = 0;
    Outcome o = quiet(1, p);
    EXPECT_EQ(o.score, stat);
    EXPECT_EQ(o.nodes, 1);
    p.remaining = 1;
    load_fen(plain);
    o = quiet(1, p);
    EXPECT_GT(o.score, stat);
    EXPECT_EQ(o.nodes, 2);
}

TEST(QuietSearchChecks, BackRankMateByAQuietCheckUnderItsBudgets) {
    const char *white = "6k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";
    const char *black = "1r4k1/8/8/8/8/8/5PPP/6K1 b - - 0 1";
    struct Case {
        const char *name;
        int level;
        int checksLeft;
        double iterationDepth;
        double presetCheckNodes;
        bool mateFound;
    } cases[] = {
        {"quiet check searched", 1, 3, 0, 0, true},
        {"quiet check deeper", 4, 3, 0, 0, true},
        {"last check of the line", 1, 1, 0, 0, true},
        {"no checks left", 1, 0, 0, 0, false},
        {"quiet-check nodes spent", 1, 3, 0, 32, false},
        {"reserved check at the horizon", 1, 3, 1, 32, true},
        {"no reserve with a check spent", 1, 2, 1, 32, false},
        {"below the quiet-check levels", 10, 3, 0, 0, false},
    };
    for (int side = 1; side <= 2; ++side) {
        const char *fen = side == 1 ? white : black;
        const double stat = eval_of(fen);
        for (const auto &c : cases) {
            load_fen(fen);
            Params p = at_level(c.level);
            p.checksLeft = c.checksLeft;
            p.iterationDepth = c.iterationDepth;
            p.presetCheckNodes = c.presetCheckNodes;
            const Outcome o = quiet(side, p);
            const double mate = 900000 - (c.level + 1);
            const double expected = c.mateFound ? (side == 1 ? mate : -mate) : stat;
            EXPECT_EQ(o.score, expected) << c.name << " side " << side;
            EXPECT_EQ(o.nodes, 1) << c.name << " side " << side;
        }
    }
}

// Best static score over the legal moves of `player`, each move made on the
// board: what a forced node at level 10 must return.
double best_child_static(int player, int *count) {
    double best = player == 1 ? -kWide : kWide;
    *count = 0;
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            if (PieceColor(board[fx][fy]) != player) continue;
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx) {
                    if (IsMoveValid(fx, fy, tx, ty) != 1) continue;
                    SaveSearchState(0);
                    MakeSearchMove(fx, fy, tx, ty);
                    const double s = EvaluateBoard();
                    RestoreSearchState(0);
                    best = player == 1 ? (s > best ? s : best) : (s < best ? s : best);
                    ++*count;
                }
        }
    return best;
}

TEST(QuietSearchForced, InCheckOrFacingAForkEveryMoveAndNoStandPat) {
    struct Case {
        const char *name;
        const char *fen;
        int player;
        int forkReply;
    } cases[] = {
        {"white in check", "4k3/8/8/8/8/8/8/r3K2Q w - - 0 1", 1, 0},
        {"black in check", "R3k2q/8/8/8/8/8/8/4K3 b - - 0 1", 2, 0},
        {"white answers a fork", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, 1},
        {"black answers a fork", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 2,
         1},
        {"black answers a pawn fork", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
         2, 2},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        int count = 0;
        const double best = best_child_static(c.player, &count);
        Params p = at_level(10);
        p.forkReply = c.forkReply;
        const Outcome o = quiet(c.player, p);
        EXPECT_EQ(o.score, best) << c.name;
        EXPECT_EQ(o.nodes, 1 + count) << c.name;
    }
}

TEST(QuietSearchAlarms, PawnForkThreatForcesEveryMove) {
    // Black threatens ...d5 forking the knights on c4 and e4; no White move
    // gives check.
    const char *fen = "7k/3p4/8/8/2N1N3/8/8/4K3 w - - 0 1";
    load_fen(fen);
    ASSERT_EQ(HasPawnForkThreat(2), 1);
    Params p = at_level(7);  // remaining 4, at least 2 below the ceiling
    const Outcome alarmed = quiet(1, p);
    Params explicitReply = p;
    explicitReply.forkReply = 2;
    load_fen(fen);
    const Outcome answered = quiet(1, explicitReply);
    EXPECT_EQ(alarmed.score, answered.score);
    EXPECT_EQ(alarmed.nodes, answered.nodes);
    // From level 8 on, or with the quiet-check nodes spent, there is no
    // alarm: the node stands pat and searches no quiet move.
    for (const int level : {8, 9}) {
        load_fen(fen);
        EXPECT_EQ(quiet(1, at_level(level)).nodes, 1) << level;
    }
    load_fen(fen);
    Params spent = p;
    spent.presetCheckNodes = 32;
    EXPECT_EQ(quiet(1, spent).nodes, 1);
    EXPECT_GT(alarmed.nodes, 10);
}

TEST(QuietSearchBudgets, SpentNodeBudgetCutsTheLine) {
    // Plenty of captures for both sides.
    const char *fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    for (int side = 1; side <= 2; ++side) {
        Params spent;
        spent.presetQuietNodes = 64;
        load_fen(fen);
        const Outcome cut = quiet(side, spent);
        Params one = spent;
        one.remaining = 1;
        load_fen(fen);
        const Outcome short_line = quiet(side, one);
        EXPECT_EQ(cut.score, short_line.score) << side;
        EXPECT_EQ(cut.nodes, short_line.nodes) << side;
        load_fen(fen);
        const Outcome full = quiet(side);
        EXPECT_GT(full.nodes, cut.nodes) << side;
    }
}

}  // namespace
