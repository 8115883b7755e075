// The limits of a "go" line reach the search: each case hands the session's
// command lines to uci_handle_line in this process, so the search runs on
// its own thread as in the program, with the engine clock stopped.  On a
// stopped clock no search runs out of time, so a search ends at its depth
// or at "stop", its result lines are exact (time 0), and the deadline it set
// is its time budget in milliseconds after its start at 0, whatever the
// speed or load of the machine.
#include "tests/test_support.h"

namespace {

struct GoCase {
    const char *position, *go;
    double depth, budgetMs;  // the depth and the time budget the search got
    int infinite;
    const char *result;  // the last info and bestmove lines
};

// The search ends by itself at the depth of the line, whatever its clock
// limits say (on the stopped clock they never run out).
const GoCase kDepthLimited[] = {
    {"position startpos", "go depth 1", 1, 300000, 0,
     "info depth 1 score cp 34 nodes 42 time 0 nps 42000 pv b1c3\nbestmove b1c3\n"},
    {"position startpos", "go depth 3", 3, 300000, 0,
     "info depth 3 score cp 34 nodes 1184 time 0 nps 1184000 pv b1c3\nbestmove b1c3\n"},
    {"position startpos moves e2e4 e7e5", "go depth 1", 1, 300000, 0,
     "info depth 1 score cp 34 nodes 61 time 0 nps 61000 pv b1c3\nbestmove b1c3\n"},
    {"position startpos", "go depth 2 movetime 250", 2, 250, 0,
     "info depth 2 score cp 0 nodes 142 time 0 nps 142000 pv b1c3\nbestmove b1c3\n"},
    // A thirtieth of the mover's clock: White's 1000 ms, Black's 3000 ms.
    {"position startpos", "go depth 1 wtime 1000 btime 60000", 1, 1000.0 / 30, 0,
     "info depth 1 score cp 34 nodes 42 time 0 nps 42000 pv b1c3\nbestmove b1c3\n"},
    {"position startpos moves e2e4", "go depth 2 wtime 60000 btime 3000", 2, 100, 0,
     "info depth 2 score cp -28 nodes 267 time 0 nps 267000 pv b8c6\nbestmove b8c6\n"},
};

// Searches stopped at once: only the limits they got count, not how far they
// came.  Depths are capped at 1 and 8; a movetime or clock share is at least
// 1 ms, and the share never the whole clock but 50 ms.  The
// infinite searches come first: the next line must end their hold.
const GoCase kStopped[] = {
    {"position startpos", "go infinite", 8, 86400000, 1, nullptr},
    {"position startpos", "go depth 3 infinite", 3, 86400000, 1, nullptr},
    {"position startpos", "go", 8, 10000, 0, nullptr},
    {"position startpos", "godepth 5", 8, 10000, 0, nullptr},
    {"position startpos", "go depth 0", 1, 300000, 0, nullptr},
    {"position startpos", "go depth 12", 8, 300000, 0, nullptr},
    {"position startpos", "go movetime 200", 8, 200, 0, nullptr},
    {"position startpos", "go movetime -70", 8, 1, 0, nullptr},
    {"position startpos", "go wtime 40", 8, 1, 0, nullptr},
    {"position startpos", "go winc 1000 wtime 3000 movestogo 5", 8, 100, 0, nullptr},
    {"position startpos", "go wtime 60000 btime 1000", 8, 2000, 0, nullptr},
    {"position startpos moves e2e4", "go wtime 60000 btime 1000", 8, 1000.0 / 30, 0, nullptr},
    {"position startpos moves e2e4", "go wtime 60000 btime 1000 movetime 700", 8, 700, 0, nullptr},
};

// The deadline and depth the search got from the line.
void expect_limits(const GoCase &c) {
    SCOPED_TRACE(std::string(c.position) + " / " + c.go);
    EXPECT_EQ(computerDepth, c.depth);
    EXPECT_DOUBLE_EQ(searchDeadline, c.budgetMs);  // the search started at 0
    EXPECT_EQ(search_infinite, c.infinite);
}

// Runs the position and go lines of c and joins the search: stopped at once,
// or at its own end; returns everything printed.
std::string run(const GoCase &c, bool stop) {
    reset_engine();  // the clock origin is taken from the stopped clock
    const std::string out = captured_stdout([&] {
        uci_send({c.position, c.go});
        join_search(stop);
    });
    expect_limits(c);
    return out;
}

// Output that ends with one result: an info line with a depth, then the
// bestmove line.
bool ends_with_a_result(const std::string &text) {
    return regex_finds(text, "(^|\n)info depth [0-9]+ [^\n]*\nbestmove [a-h1-8qrbn]+\n$");
}

TEST(UciGoSession, DepthLimitedSearchesEndAtThatDepth) {
    TestClock clock;
    for (const GoCase &c : kDepthLimited) {
        const std::string out = run(c, false);
        const size_t at = out.rfind(c.result);
        EXPECT_TRUE(at != std::string::npos && at + std::strlen(c.result) == out.size())
            << c.go << ":\n"
            << out;
        if (HasFailure()) break;  // a lost limit searches to depth 8 in every further case
    }
}

TEST(UciGoSession, StoppedSearchesGotTheLimitsOfTheLine) {
    TestClock clock;
    for (const GoCase &c : kStopped) {
        const std::string out = run(c, true);
        EXPECT_TRUE(ends_with_a_result(out)) << c.go << ":\n" << out;
    }
}

// An infinite search that reaches its depth holds its result until "stop".
// The pause only makes the check weaker on a slow machine, never wrong.
TEST(UciGoSession, InfiniteSearchWaitsForStop) {
    TestClock clock;
    reset_engine();
    const std::string held = captured_stdout([] {
        uci_send({"position startpos", "go depth 1 infinite"});
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    EXPECT_EQ(held.find("bestmove"), std::string::npos) << held;
    const std::string out = captured_stdout([] { uci_send({"stop"}); });
    EXPECT_TRUE(ends_with_a_result(out)) << out;
    expect_limits({"position startpos", "go depth 1 infinite", 1, 86400000, 1, nullptr});
}

}  // namespace
