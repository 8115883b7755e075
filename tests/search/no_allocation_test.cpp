// A search allocates nothing: every global operator new of the process is
// counted while complete searches run.
#include "search_test_util.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The replacement pair below is malloc/free underneath on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long> g_allocations{0};
std::atomic<bool> g_counting{false};
}  // namespace

void *operator new(std::size_t n) {
    if (g_counting.load()) g_allocations.fetch_add(1);
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) { return operator new(n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(SearchAllocation, CounterSeesAllocations) {
    g_allocations = 0;
    g_counting = true;
    void *volatile p = ::operator new(16);
    g_counting = false;
    ::operator delete(p);
    EXPECT_EQ(g_allocations.load(), 1);
}

TEST(SearchAllocation, NoHeapUseDuringSearch) {
    const char *fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 1",
        "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1",
    };
    for (const char *fen : fens) {
        for (double depth : {3.0, 4.0}) {
            load_fen(fen);
            computerPlayer = currentPlayer;
            computerDepth = depth;
            computerThinkSeconds = 300;
            learningEnabled = 1;
            pref_count = 1;
            std::strcpy(pref_move[0], "b1b8");
            pref_value[0] = 5;
            g_allocations = 0;
            g_counting = true;
            CalculateBestMove();
            g_counting = false;
            EXPECT_EQ(g_allocations.load(), 0) << fen << " depth " << depth;
        }
    }
}

}  // namespace
