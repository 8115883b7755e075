// The limits of a "go" line reach the search: each case runs the engine's
// own command loop (uci_session) in this process, on pipes in place of
// standard input and output, with the engine clock stopped.  On a stopped
// clock no search runs out of time, so a search ends at its depth or at
// "stop", its result lines are exact (time 0), and the deadline it set is
// its time budget in milliseconds after its start at 0, whatever the speed
// or load of the machine.
#include "frontend/quintar.h"
#include "platform/platform.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace {

double stopped_clock_ms() { return 5e6; }

// The command loop on its own thread, its standard input and output
// redirected to pipes for the life of the object.
class InProcessSession {
public:
    InProcessSession() {
        reset_engine();  // the clock origin is taken from the stopped clock
        std::fflush(stdout);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        saved_in_ = dup(0);
        saved_out_ = dup(1);
        dup2(in[0], 0);
        close(in[0]);
        dup2(out[1], 1);
        close(out[1]);
        to_loop_ = in[1];
        from_loop_ = out[0];
        std::clearerr(stdin);
        loop_ = std::thread([this] { status_ = uci_session(); });
    }
    ~InProcessSession() { end(); }

    void send(const std::string &line) {
        const std::string bytes = line + "\n";
        ssize_t done = 0;
        while (to_loop_ >= 0 && done < static_cast<ssize_t>(bytes.size())) {
            const ssize_t k = write(to_loop_, bytes.data() + done, bytes.size() - done);
            if (k <= 0) break;
            done += k;
        }
    }

    // Collects output until a "bestmove" line has come, or for timeout_ms;
    // true when it came.
    bool wait_for_bestmove(int timeout_ms) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (output_.find("bestmove ") == std::string::npos || output_.back() != '\n') {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p = {from_loop_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[4096];
            const ssize_t k = read(from_loop_, chunk, sizeof chunk);
            if (k <= 0) return false;
            output_.append(chunk, static_cast<size_t>(k));
        }
        return true;
    }

    // "quit", the loop joined (and with it the search thread) and the
    // standard streams put back; returns the loop's exit status.
    int end() {
        if (!loop_.joinable()) return status_;
        send("quit");
        loop_.join();
        std::fflush(stdout);
        dup2(saved_out_, 1);
        dup2(saved_in_, 0);
        std::clearerr(stdin);
        for (int fd : {saved_in_, saved_out_, to_loop_}) close(fd);
        char chunk[4096];
        for (ssize_t k; (k = read(from_loop_, chunk, sizeof chunk)) > 0;)
            output_.append(chunk, static_cast<size_t>(k));
        close(from_loop_);
        to_loop_ = -1;
        return status_;
    }

    const std::string &output() const { return output_; }

private:
    std::thread loop_;
    int status_ = -1;
    int saved_in_ = -1, saved_out_ = -1, to_loop_ = -1, from_loop_ = -1;
    std::string output_;
};

struct ClockStopped {
    ClockStopped() { engine_clock_ms = stopped_clock_ms; }
    ~ClockStopped() { engine_clock_ms = platform_clock_ms; }
};

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

// The deadline and depth the search got from the line, and the exit status.
void expect_limits(const GoCase &c, int status) {
    const std::string line = std::string(c.position) + " / " + c.go;
    EXPECT_EQ(status, 0) << line;
    EXPECT_EQ(computerDepth, c.depth) << line;
    // The search started at 0 on the stopped clock.
    EXPECT_DOUBLE_EQ(searchDeadline, c.budgetMs) << line;
    EXPECT_EQ(search_infinite, c.infinite) << line;
}

bool ends_with(const std::string &text, const std::string &end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Output that ends with one result: an info line with a depth, then the
// bestmove line.
bool ends_with_a_result(const std::string &text) {
    return regex_finds(text, "(^|\n)info depth [0-9]+ [^\n]*\nbestmove [a-h1-8qrbn]+\n$");
}

// Runs the position and go lines of c, with "stop" at once when asked, and
// checks the limits the search got; returns the output.
std::string run(const GoCase &c, bool stop) {
    InProcessSession s;
    s.send(c.position);
    s.send(c.go);
    if (stop) s.send("stop");
    // These searches take milliseconds; the time limit only ends one that
    // lost its depth and would go on to depth 8 on the stopped clock.
    const bool ended = s.wait_for_bestmove(30000);
    const int status = s.end();
    EXPECT_TRUE(ended) << c.go;
    expect_limits(c, status);
    return s.output();
}

TEST(UciGoSession, DepthLimitedSearchesEndAtThatDepth) {
    ClockStopped clock;
    for (const GoCase &c : kDepthLimited) {
        const std::string out = run(c, false);
        EXPECT_TRUE(ends_with(out, c.result)) << c.go << ":\n" << out;
        if (HasFailure()) break;  // a lost limit makes every further case slow
    }
}

// Searches without a depth limit, stopped at once: only the limits they got
// count, not how far they came.
const GoCase kStopped[] = {
    {"position startpos", "go", 8, 10000, 0, nullptr},
    {"position startpos", "go movetime 200", 8, 200, 0, nullptr},
    {"position startpos", "go wtime 60000 btime 1000", 8, 2000, 0, nullptr},
    {"position startpos moves e2e4", "go wtime 60000 btime 1000", 8, 1000.0 / 30, 0, nullptr},
    {"position startpos moves e2e4", "go wtime 60000 btime 1000 movetime 700", 8, 700, 0, nullptr},
    {"position startpos", "go infinite", 8, 86400000, 1, nullptr},
    {"position startpos", "go depth 3 infinite", 3, 86400000, 1, nullptr},
};

TEST(UciGoSession, StoppedSearchesGotTheLimitsOfTheLine) {
    ClockStopped clock;
    for (const GoCase &c : kStopped) {
        const std::string out = run(c, true);
        EXPECT_TRUE(ends_with_a_result(out)) << c.go << ":\n" << out;
    }
}

// An infinite search that reaches its depth holds its result until "stop".
// The window only makes the check weaker on a slow machine, never wrong.
TEST(UciGoSession, InfiniteSearchWaitsForStop) {
    ClockStopped clock;
    InProcessSession s;
    s.send("position startpos");
    s.send("go depth 1 infinite");
    EXPECT_FALSE(s.wait_for_bestmove(200)) << s.output();
    s.send("stop");
    EXPECT_TRUE(s.wait_for_bestmove(120000));
    const int status = s.end();
    EXPECT_TRUE(ends_with_a_result(s.output())) << s.output();
    expect_limits({"position startpos", "go depth 1 infinite", 1, 86400000, 1, nullptr}, status);
}

}  // namespace
