// Stopping the quiet search (stop request, deadline in the middle of a
// line) and its promise to allocate nothing while it searches.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "allocation_counter.h"

namespace {

const char *kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

bool same_state(const State &a, const State &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double run_top_level(double player, double level) {
    quietNodes = quietCheckNodes = 0;
    return LimitedQuietSearch(player, 4, level, -1000000, 1000000, 3, 0, 0);
}

TEST(QuietSearchStop, StopRequestReturnsZeroWithNothingTouched) {
    load_fen(kKiwipete);
    const State before = state_get();
    const double history = positionCount;
    computerNodes = 0;
    quietCheckActive = 2;
    stop_requested.store(1);
    EXPECT_EQ(run_top_level(1, 1), 0);
    stop_requested.store(0);
    EXPECT_EQ(computerNodes, 0);
    EXPECT_EQ(quietCheckActive, 2);
    EXPECT_EQ(searchAborted, 1);
    EXPECT_TRUE(same_state(before, state_get()));
    EXPECT_EQ(positionCount, history);
}

TEST(QuietSearchStop, PassedDeadlineReturnsZero) {
    load_fen(kKiwipete);
    searchTimedActive = 1;
    searchAborted = 0;
    searchDeadline = GetTimer() - 1;
    computerNodes = 0;
    EXPECT_EQ(run_top_level(2, 3), 0);
    EXPECT_EQ(computerNodes, 0);
    EXPECT_EQ(searchAborted, 1);
}

TEST(QuietSearchStop, DeadlineInsideTheTreeUnwindsCleanly) {
    for (const int side : {1, 2}) {
        load_fen(kKiwipete);
        // Lift the budgets so that one search lasts long enough to be cut.
        quietNodeLimit = quietCheckLimit = 1e9;
        zevivEzezoZtartLimit = 1e9;
        const State before = state_get();
        searchTimedActive = 0;
        computerNodes = 0;
        quietCheckActive = 0;
        const double t0 = GetTimer();
        const double full = run_top_level(side, 4);
        const double duration = GetTimer() - t0;
        const double fullNodes = computerNodes;
        ASSERT_GT(fullNodes, 200);

        int cutInside = 0;
        for (int k = 1; k <= 40; ++k) {
            searchTimedActive = 1;
            searchAborted = 0;
            quietCheckActive = 1;  // as inside a quiet-check line
            computerNodes = 0;
            searchDeadline = GetTimer() + duration * k / 40.0;
            const double score = run_top_level(side, 4);
            const bool aborted = searchAborted != 0;
            searchTimedActive = 0;
            EXPECT_TRUE(same_state(before, state_get())) << "cut " << k;
            EXPECT_EQ(quietCheckActive, 1) << "cut " << k;
            if (aborted) {
                EXPECT_EQ(score, 0) << "cut " << k;
                if (computerNodes > 0 && computerNodes < fullNodes) ++cutInside;
            }
        }
        EXPECT_GT(cutInside, 0);
        // Without a deadline the same search gives the same answer again.
        searchAborted = 0;
        quietCheckActive = 0;
        computerNodes = 0;
        EXPECT_EQ(run_top_level(side, 4), full);
        EXPECT_EQ(computerNodes, fullNodes);
    }
}

TEST(QuietSearchStop, SearchAllocatesNothing) {
    const char *fens[] = {
        kKiwipete,
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    };
    for (const char *fen : fens) {
        load_fen(fen);
        for (const int level : {1, 3, 6}) {
            const long before = g_allocations.load();
            run_top_level(currentPlayer, level);
            run_top_level(3 - currentPlayer, level);
            HasQuietLegalMove(1);
            HasPawnForkThreat(2);
            HasKnightForkThreat(1, 2);
            QueenMinorTarget(1);
            EXPECT_EQ(g_allocations.load(), before) << fen << " level " << level;
        }
    }
}

}  // namespace
