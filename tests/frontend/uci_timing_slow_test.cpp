// Thinking time of the search thread as an interface sees it: from the
// go line written to the bestmove line read.  The overruns are printed.
#include "test_support.h"
#include "uci_test_process.h"

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

struct Timed {
    long ms;
    int depth;
    std::string best;
};

// Sends the go line and waits for the result lines.
Timed timed_go(UciProcess &p, const std::string &go, int timeout_ms) {
    auto sent = p.send(go);
    std::string line, info;
    UciProcess::Clock::time_point at;
    Timed t{-1, -1, ""};
    if (!p.read_until("info depth ", &info, timeout_ms)) return t;
    if (!p.read_until("bestmove ", &line, timeout_ms, &at)) return t;
    t.ms = elapsed_ms(sent, at);
    t.depth = std::atoi(info.c_str() + 11);
    t.best = line;
    return t;
}

}  // namespace

TEST(UciTiming, FixedAndClockedThinkingTimes) {
    struct Case {
        const char *go;
        long target_ms;
        long max_overrun_ms;
    };
    const Case cases[] = {
        {"go movetime 1000", 1000, 100},
        {"go wtime 60000 btime 60000", 2000, 100},
        {"go movetime 300", 300, 100},
    };
    for (const Case &c : cases) {
        UciProcess p;
        p.send(kMiddlegame);
        Timed t = timed_go(p, c.go, 20000);
        ASSERT_GE(t.ms, 0) << c.go;
        std::printf("%-28s target %5ld ms, answered after %5ld ms (overrun %+ld ms), depth %d\n",
                    c.go, c.target_ms, t.ms, t.ms - c.target_ms, t.depth);
        EXPECT_LE(t.ms, c.target_ms + c.max_overrun_ms) << c.go;
        // Unless the deepest iteration finished early, the whole time is used.
        if (t.depth < 8) {
            EXPECT_GE(t.ms, c.target_ms - 10) << c.go;
        }
        p.send("quit");
        EXPECT_EQ(p.wait_exit(5000), 0);
    }
}

TEST(UciTiming, DepthOneWaitsForNoClock) {
    UciProcess p;
    p.send(kMiddlegame);
    Timed t = timed_go(p, "go depth 1", 10000);
    std::printf("go depth 1 answered after %ld ms\n", t.ms);
    EXPECT_EQ(t.depth, 1);
    EXPECT_GE(t.ms, 0);
    EXPECT_LT(t.ms, 300);
    p.send("quit");
    EXPECT_EQ(p.wait_exit(5000), 0);
}

TEST(UciTiming, StopAnswersWithinTensOfMilliseconds) {
    long worst = 0;
    for (int delay : {50, 400, 1200}) {
        UciProcess p;
        p.send(kMiddlegame);
        p.send("go infinite");
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        auto stop_sent = p.send("stop");
        std::string line;
        UciProcess::Clock::time_point at;
        ASSERT_TRUE(p.read_until("bestmove ", &line, 5000, &at));
        long ms = elapsed_ms(stop_sent, at);
        std::printf("stop after %4d ms of go infinite: bestmove %ld ms later\n", delay, ms);
        worst = std::max(worst, ms);
        p.send("quit");
        EXPECT_EQ(p.wait_exit(5000), 0);
    }
    EXPECT_LT(worst, 50);
}
