// The search's stop test against a clock the test controls: a deadline is
// noticed within a fixed number of stop tests whatever the clock's grain or
// a stall; the cancel file is looked for at most once per 10 ms.
#include "runtime/quin_runtime.h"
#include "tests/test_support.h"

namespace {

// The stop test answers up to 16 questions from an earlier reading, so the
// 17th stop test after the deadline has come must stop the search.
constexpr int kMostLateStopTests = 17;
const double kGrains[] = {0, 4, 15, 50};

// A fresh engine whose search has a deadline `in` milliseconds from now.
void start_timed(double in) {
    reset_engine();
    searchTimedActive = 1;
    searchDeadline = GetTimer() + in;
}

// Asks stop tests, the clock moved on by `step` ms before each (and by
// `stall` before the one numbered stallAt), until one stops the search, and
// returns how many were asked from the deadline on: 0 when none stopped it
// within `most`.  None may stop it before the deadline.
int late_stop_tests(double step, int most, double stall = 0, int stallAt = -1) {
    for (int i = 0, late = 0; i < most; ++i) {
        TestClock::now += step + (i == stallAt ? stall : 0);
        const bool due = GetTimer() >= searchDeadline;
        late += due;
        if (SearchTimeExpired() != 0) {
            EXPECT_TRUE(due) << "stopped before the deadline";
            return late;
        }
    }
    return 0;
}

TEST(StopClock, DeadlineIsNoticedWithinAFixedNumberOfStopTests) {
    struct Pace {
        const char *what;
        double perStopTest;  // milliseconds of search between two stop tests
        double stall;        // a stall of the thread before one stop test
        int stallAt;
    } paces[] = {
        {"fast nodes", 0.001, 0, 0},
        {"slow nodes", 1, 0, 0},
        {"stall of 50 ms after a reading", 0.001, 50, 1},
        {"stall of 1 s mid-search", 0.001, 1000, 5000},
    };
    for (double grain : kGrains)
        for (const Pace &p : paces) {
            SCOPED_TRACE(::testing::Message() << p.what << ", grain " << grain);
            TestClock clock(grain);
            start_timed(20);
            const int late = late_stop_tests(p.perStopTest, 10000000, p.stall, p.stallAt);
            EXPECT_GT(late, 0) << "never stopped";
            EXPECT_LE(late, kMostLateStopTests);
            EXPECT_EQ(searchAborted, 1);
            EXPECT_EQ(SearchTimeExpired(), 1) << "a stopped search stays stopped";
            searchTimedActive = 0;
        }
}

// A deadline more than a second away is read about once per thousand stop
// tests; one that a stall of the thread lets pass unnoticed is still seen
// within about a thousand stop tests, and in the last second within 17.
TEST(StopClock, FarDeadlineIsReadRarely) {
    constexpr int kMostLateAfterStall = 1025;
    for (double grain : kGrains)
        for (const bool stall : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "grain " << grain << (stall ? ", stall" : ""));
            TestClock clock(grain);
            start_timed(3000);
            // Two seconds of search at a microsecond a stop test.
            TestClock::reads = 0;
            for (int i = 0; i < 1900000; ++i) {
                TestClock::now += 0.001;
                ASSERT_EQ(SearchTimeExpired(), 0);
            }
            EXPECT_LE(TestClock::reads, 1900000 / 1000);
            // The rest: with a stall the deadline passes between two stop
            // tests.
            const int late = late_stop_tests(0.001, 2000000, stall ? 5000 : 0, 0);
            EXPECT_GT(late, 0) << "never stopped";
            EXPECT_LE(late, stall ? kMostLateAfterStall : kMostLateStopTests);
            searchTimedActive = 0;
        }
}

TEST(StopClock, CancelFileIsLookedForAtMostEvery10ms) {
    for (double grain : kGrains) {
        TestClock clock(grain);
        reset_engine();
        const std::string path = make_temp_dir() + "/req.cancel";
        snprintf(request_cancel, sizeof request_cancel, "%s", path.c_str());
        // One second of search at 10 microseconds a stop test.
        const uint64_t before = cancel_polls;
        for (int i = 0; i < 100000; ++i) {
            TestClock::now += 0.01;
            ASSERT_EQ(SearchTimeExpired(), 0);
        }
        const uint64_t polls = cancel_polls - before;
        EXPECT_LE(polls, 101u) << "grain " << grain;
        // At least one look per 10 ms and one grain of the clock.
        EXPECT_GE(polls, 1000 / (10 + grain) - 2) << "grain " << grain;
        // A cancel file is found within one look's interval (and the grain).
        write_file(path, "");
        int stopTests = 0;
        while (SearchTimeExpired() == 0 && stopTests < 1000000) {
            TestClock::now += 0.01;
            ++stopTests;
        }
        EXPECT_LE(stopTests * 0.01, 10 + grain + 0.2) << "grain " << grain;
        EXPECT_EQ(stop_requested.load(), 1);
        reset_engine();
    }
}

// Stop tests asked several at a time with nothing in between give the
// answers, clock readings and vouched calls of the same tests asked one by
// one, near a deadline and far from it, as time passes between the groups.
TEST(StopClock, RepeatedStopTestsAnswerAsOneByOne) {
    struct Case {
        double deadlineIn;  // milliseconds from the start
        double perGroup;    // milliseconds of search between two groups
    } cases[] = {{20, 0.05}, {20, 1}, {3000, 2}, {3000, 40}};
    const int kGroups[] = {1, 3, 16, 17, 2, 40, 1, 1024, 5, 7};
    struct Trace {
        std::string answers;
        long reads;
        int vouched;
        double aborted;
    };
    for (const Case &c : cases) {
        Trace traces[2];
        for (int repeated = 0; repeated < 2; ++repeated) {
            TestClock clock(0);
            start_timed(c.deadlineIn);
            TestClock::reads = 0;
            Trace &t = traces[repeated];
            for (int round = 0; round < 200; ++round) {
                for (const int times : kGroups) {
                    TestClock::now += c.perGroup;
                    double answer = 0;
                    if (repeated == 1) {
                        answer = SearchTimeExpiredRepeated(times);
                    } else {
                        for (int i = 0; i < times && answer == 0; ++i) answer = SearchTimeExpired();
                    }
                    t.answers += answer != 0 ? '1' : '0';
                }
            }
            t.reads = TestClock::reads;
            t.vouched = clock_vouch[1].calls;
            t.aborted = searchAborted;
            searchTimedActive = 0;
        }
        EXPECT_EQ(traces[0].answers, traces[1].answers) << "deadline in " << c.deadlineIn;
        EXPECT_NE(traces[0].answers.find('1'), std::string::npos) << "the deadline comes";
        EXPECT_EQ(traces[0].reads, traces[1].reads) << "deadline in " << c.deadlineIn;
        EXPECT_EQ(traces[0].vouched, traces[1].vouched) << "deadline in " << c.deadlineIn;
        EXPECT_EQ(traces[0].aborted, traces[1].aborted) << "deadline in " << c.deadlineIn;
    }
}

}  // namespace
