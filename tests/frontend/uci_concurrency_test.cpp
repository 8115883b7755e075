// The session and its search thread driven interactively: commands that
// arrive while a search runs, and the ways a session ends during one.
// Time limits here are generous so that sanitizer builds pass; the tight
// figures live in the timing test.
#include "test_support.h"
#include "uci_test_process.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool begins(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TEST(UciConcurrency, IsreadyAnswersAtOnceAndTheSearchGoesOn) {
    UciProcess p;
    ASSERT_TRUE(p.started());
    p.send("position startpos");
    p.send("go infinite");
    pause_ms(300);
    auto sent = p.send("isready");
    std::string line;
    UciProcess::Clock::time_point at;
    ASSERT_TRUE(p.read_line(&line, 5000, &at));
    EXPECT_EQ(line, "readyok");
    EXPECT_LT(elapsed_ms(sent, at), 1000);
    // Nothing else was printed: the search still runs.
    EXPECT_FALSE(p.read_line(&line, 300)) << line;
    p.send("stop");
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_TRUE(begins(line, "info depth ")) << line;
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_TRUE(begins(line, "bestmove ")) << line;
    p.send("isready");
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_EQ(line, "readyok");
    p.send("quit");
    EXPECT_EQ(p.wait_exit(5000), 0);
    EXPECT_EQ(p.pending(), "");
    EXPECT_EQ(p.errors(), "");
}

TEST(UciConcurrency, SecondGoPrintsTheFirstResultBeforeItStarts) {
    UciProcess p;
    p.send("go infinite");
    pause_ms(200);
    p.send("go infinite");
    std::string line;
    UciProcess::Clock::time_point first_best;
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_TRUE(begins(line, "info depth ")) << line;
    ASSERT_TRUE(p.read_line(&line, 5000, &first_best));
    EXPECT_TRUE(begins(line, "bestmove ")) << line;
    // The second search holds its result until stopped.
    EXPECT_FALSE(p.read_line(&line, 300)) << line;
    auto stop_sent = p.send("stop");
    EXPECT_LT(first_best, stop_sent);
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_TRUE(begins(line, "info depth ")) << line;
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_TRUE(begins(line, "bestmove ")) << line;
    p.close_input();
    EXPECT_EQ(p.wait_exit(5000), 0);
    EXPECT_EQ(p.pending(), "");
    EXPECT_EQ(p.errors(), "");
}

TEST(UciConcurrency, StopWithoutSearchPrintsNothing) {
    UciProcess p;
    p.send("stop");
    p.send("go depth 1");
    std::string line;
    ASSERT_TRUE(p.read_until("bestmove ", &line, 10000));
    // The finished search is joined by stop, which prints nothing more.
    p.send("stop");
    p.send("stop");
    p.send("isready");
    ASSERT_TRUE(p.read_line(&line, 5000));
    EXPECT_EQ(line, "readyok");
    p.send("quit");
    EXPECT_EQ(p.wait_exit(5000), 0);
    EXPECT_EQ(p.pending(), "");
}

// "quit" and the end of input during an infinite search: the result is
// printed and the process ends with status 0 soon after.
TEST(UciConcurrency, SessionEndsDuringAnInfiniteSearch) {
    for (bool by_quit : {true, false}) {
        UciProcess p;
        p.send("position startpos moves e2e4");
        p.send("go infinite");
        pause_ms(300);
        auto t0 = UciProcess::Clock::now();
        if (by_quit)
            p.send("quit");
        else
            p.close_input();
        EXPECT_EQ(p.wait_exit(5000), 0) << by_quit;
        EXPECT_LT(elapsed_ms(t0, UciProcess::Clock::now()), 2000) << by_quit;
        std::string line;
        ASSERT_TRUE(p.read_line(&line, 100)) << by_quit;
        EXPECT_TRUE(begins(line, "info depth ")) << line;
        ASSERT_TRUE(p.read_line(&line, 100)) << by_quit;
        EXPECT_TRUE(begins(line, "bestmove ")) << line;
        EXPECT_TRUE(line[10] == '7' || line[10] == '8') << "a Black move: " << line;
        EXPECT_EQ(p.pending(), "");
        EXPECT_EQ(p.errors(), "");
    }
}

// Commands that change engine state stop the running search first and
// print its result before they act.
TEST(UciConcurrency, StateChangingCommandsStopTheSearch) {
    for (const char *command : {"ucinewgame", "setoption name Hash value 0", "position startpos",
                                "position fen junk", "stop"}) {
        UciProcess p;
        p.send("go infinite");
        pause_ms(150);
        p.send(command);
        p.send("isready");
        std::string line;
        ASSERT_TRUE(p.read_line(&line, 5000)) << command;
        EXPECT_TRUE(begins(line, "info depth ")) << command << ": " << line;
        ASSERT_TRUE(p.read_line(&line, 5000)) << command;
        EXPECT_TRUE(begins(line, "bestmove ")) << command << ": " << line;
        if (std::string(command) == "position fen junk") {
            ASSERT_TRUE(p.read_line(&line, 5000));
            EXPECT_EQ(line, "info string invalid position");
        }
        ASSERT_TRUE(p.read_line(&line, 5000)) << command;
        EXPECT_EQ(line, "readyok") << command;
        p.send("quit");
        EXPECT_EQ(p.wait_exit(5000), 0) << command;
        EXPECT_EQ(p.pending(), "") << command;
        EXPECT_EQ(p.errors(), "") << command;
    }
}
