// The session and its search thread driven interactively: commands that
// arrive while a search runs, and the ways a session ends during one.
// Time limits are generous for sanitizer builds; the tight figures live in
// the timing test.
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Reads the next line and checks that it begins with prefix.
void expect_line(ChildProcess &p, const std::string &prefix,
                 ChildProcess::Clock::time_point *at = nullptr) {
    std::string line;
    ASSERT_TRUE(p.read_line(&line, 5000, at)) << "waiting for " << prefix;
    EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
}

void expect_result(ChildProcess &p, ChildProcess::Clock::time_point *at = nullptr) {
    expect_line(p, "info depth ");
    expect_line(p, "bestmove ", at);
}

// Ends the session by "quit" or the end of input: status 0, and nothing
// printed but the result of a search still running.
void expect_quiet_end(ChildProcess &p, bool by_quit = true, bool searching = false) {
    if (by_quit) {
        p.send("quit");
    } else {
        p.close_input();
    }
    EXPECT_EQ(p.wait_exit(5000), 0);
    if (searching) expect_result(p);
    EXPECT_EQ(p.pending(), "");
    EXPECT_EQ(p.errors(), "");
}

TEST(UciConcurrency, IsreadyAnswersAtOnceAndTheSearchGoesOn) {
    ChildProcess p;
    ASSERT_TRUE(p.started());
    p.send("go infinite");
    pause_ms(300);
    const auto sent = p.send("isready");
    ChildProcess::Clock::time_point at;
    expect_line(p, "readyok", &at);
    EXPECT_LT(elapsed_ms(sent, at), 1000);
    std::string line;
    EXPECT_FALSE(p.read_line(&line, 300)) << "the search stopped: " << line;
    p.send("stop");
    expect_result(p);
    expect_quiet_end(p);
}

TEST(UciConcurrency, SecondGoPrintsTheFirstResultBeforeItStarts) {
    ChildProcess p;
    p.send("go infinite");
    pause_ms(200);
    p.send("go infinite");
    ChildProcess::Clock::time_point first_best;
    expect_result(p, &first_best);
    std::string line;
    EXPECT_FALSE(p.read_line(&line, 300)) << "the second search stopped: " << line;
    EXPECT_LT(first_best, p.send("stop"));
    expect_result(p);
    expect_quiet_end(p, false);
}

TEST(UciConcurrency, StopWithoutSearchPrintsNothing) {
    ChildProcess p;
    p.send("stop");
    p.send("go depth 1");
    expect_result(p);
    p.send("stop");  // the finished search is joined, nothing more printed
    p.send("stop");
    p.send("isready");
    expect_line(p, "readyok");
    expect_quiet_end(p);
}

// "quit" or the end of input during an infinite search: the result is
// printed and the process ends with status 0 soon after.
TEST(UciConcurrency, SessionEndsDuringAnInfiniteSearch) {
    for (bool by_quit : {true, false}) {
        ChildProcess p;
        p.send("position startpos moves e2e4");
        p.send("go infinite");
        pause_ms(300);
        const auto t0 = ChildProcess::Clock::now();
        expect_quiet_end(p, by_quit, true);
        EXPECT_LT(elapsed_ms(t0, ChildProcess::Clock::now()), 2000) << by_quit;
    }
}

// Commands that change engine state stop the running search first and
// print its result before they act.
TEST(UciConcurrency, StateChangingCommandsStopTheSearch) {
    for (const char *command : {"ucinewgame", "setoption name Hash value 0", "position fen junk"}) {
        SCOPED_TRACE(command);
        ChildProcess p;
        p.send("go infinite");
        pause_ms(150);
        p.send(command);
        p.send("isready");
        expect_result(p);
        if (std::string(command) == "position fen junk") {
            expect_line(p, "info string invalid position");
        }
        expect_line(p, "readyok");
        expect_quiet_end(p);
    }
}

}  // namespace
