// A search allocates nothing: every global operator new of the process is
// counted while complete searches run.
#include "tests/allocation_counter.h"
#include "tests/test_support.h"

namespace {

TEST(SearchAllocation, CounterSeesAllocations) {
    if (!allocations_counted()) GTEST_SKIP() << "the sanitizer's allocator is not counted";
    const long before = g_allocations.load();
    void *volatile p = ::operator new(16);
    ::operator delete(p);
    EXPECT_EQ(g_allocations.load() - before, 1);
}

TEST(SearchAllocation, NoHeapUseDuringSearch) {
    const char *fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 1",
        "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1",
    };
    // Also with the info line of every finished depth, as an infinite
    // analysis prints it.
    for (const char *fen : fens) {
        for (double depth : {3.0, 4.0}) {
            for (bool reporting : {false, true}) {
                load_fen(fen);
                learningEnabled = 1;
                pref_count = 1;
                std::strcpy(pref_move[0], "b1b8");
                pref_value[0] = 5;
                searchIterationDone = reporting ? emit_iteration : nullptr;
                long allocated = 0;
                const std::string out = captured_stdout([&allocated, depth] {
                    const long before = g_allocations.load();
                    search_position(depth);
                    allocated = g_allocations.load() - before;
                });
                searchIterationDone = nullptr;
                EXPECT_EQ(std::count(out.begin(), out.end(), '\n'),
                          reporting ? computerReachedDepth : 0);
                EXPECT_EQ(allocated, 0) << fen << " depth " << depth << " reporting " << reporting;
            }
        }
    }
}

}  // namespace
