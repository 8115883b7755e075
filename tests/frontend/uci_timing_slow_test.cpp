// Thinking time as an interface sees it: from the go line written to the
// bestmove line read.  The overruns are printed.
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// A middlegame in which no search of depth 8 finishes within seconds.
const char kMiddlegame[] =
    "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8";

// Milliseconds from the go line (or the stop after `stop_after_ms`) to the
// bestmove line, and the depth reported; -1 when no result came.
std::pair<long, int> timed_go(const std::string &go, int stop_after_ms = -1) {
    ChildProcess p;
    p.send(kMiddlegame);
    auto sent = p.send(go);
    if (stop_after_ms >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(stop_after_ms));
        sent = p.send("stop");
    }
    std::string info, best;
    ChildProcess::Clock::time_point at;
    if (!p.read_until("info depth ", &info, 20000) || !p.read_until("bestmove ", &best, 20000, &at))
        return {-1, -1};
    p.send("quit");
    EXPECT_EQ(p.wait_exit(5000), 0);
    return {elapsed_ms(sent, at), std::atoi(info.c_str() + 11)};
}

}  // namespace

TEST(UciTiming, FixedAndClockedThinkingTimes) {
    const std::pair<const char *, long> cases[] = {
        {"go movetime 1000", 1000}, {"go wtime 60000 btime 60000", 2000}, {"go movetime 300", 300}};
    for (const auto &c : cases) {
        const auto t = timed_go(c.first);
        ASSERT_GE(t.first, 0) << c.first;
        std::printf("%-28s target %5ld ms, answered after %5ld ms (overrun %+ld ms), depth %d\n",
                    c.first, c.second, t.first, t.first - c.second, t.second);
        EXPECT_LE(t.first, c.second + 100) << c.first;
        // Unless the deepest iteration finished early, the whole time is used.
        if (t.second < 8) {
            EXPECT_GE(t.first, c.second - 10) << c.first;
        }
    }
}

TEST(UciTiming, StopAnswersWithinTensOfMilliseconds) {
    long worst = 0;
    for (int delay : {50, 400, 1200}) {
        const long ms = timed_go("go infinite", delay).first;
        ASSERT_GE(ms, 0);
        std::printf("stop after %4d ms of go infinite: bestmove %ld ms later\n", delay, ms);
        worst = std::max(worst, ms);
    }
    EXPECT_LT(worst, 50);
}
