// Test helpers: loading positions, files, the real program through pipes.
// Every test file includes this header: it brings GoogleTest, the engine's
// front end and board view, and the standard headers the tests share.
#pragma once

#include "core/board/board_view.h"
#include "frontend/quintar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

struct RunResult {
    int status;       // exit status, or -1 when the program did not exit normally
    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error
};

// Runs program with the given arguments, writes `input` to its standard
// input and closes it, and collects both output streams.  The program is
// killed after timeout_ms.
RunResult run_program(const std::string &program, const std::vector<std::string> &args,
                      const std::string &input = "", int timeout_ms = 60000);

// Fresh engine start state with the start position loaded (as at start-up),
// an empty preference table and no stop or cancel pending.
void reset_engine();
// reset_engine() followed by set_fen(fen); fails the test when rejected.
void load_fen(const char *fen);

// The board view of the position on the board.
inline BoardView board_view() {
    BoardView v;
    v.load();
    return v;
}
// EvaluateBoard for the position a board view shows (in step with the
// board), by the quiet search's path: the cache key and the piece sets read
// from the view.
double evaluate_on_view(const BoardView &view);

// The file's bytes; "" when it cannot be read.
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &content);
bool file_exists(const std::string &path);
// A new empty directory under /tmp for one test, removed with its files when
// the test program ends.
std::string make_temp_dir();

// Loads fen into a fresh engine and runs one search with the given limits
// on a test clock that moves step_ms at each reading.  With the default
// step 0 it stands still: the search ends by depth, mate or stop, never on
// time, and reports time 0 however busy the machine is.
void search_fen(const char *fen, double depth, double seconds = 300, double step_ms = 0);
// One search of the position on the board for the side to move, on the
// clock installed now.
void search_position(double depth, double seconds = 300);

// Hands each line to the UCI session in this process, as its reader does.
void uci_send(const std::vector<std::string> &lines);

// Everything written to standard output while f runs, the lines of a search
// thread it joins included.
std::string captured_stdout(const std::function<void()> &f);
// The two result lines of the last search as emit_result prints them.
std::string result_lines();

// The engine clock for the life of one object: the engine reads `now`
// (milliseconds, rounded down to `grain` as a coarse system clock lags the
// true time) instead of the platform's clock, and each reading moves `now`
// on by `step`.  With step 0 the clock stands still unless the test moves
// it, so no search stops on time and every search lasts 0 ms.
struct TestClock {
    explicit TestClock(double grain = 0, double step = 0);
    ~TestClock();
    TestClock(const TestClock &) = delete;
    TestClock &operator=(const TestClock &) = delete;

    static double now, grain, step;
    static long reads;  // readings since the clock was installed

private:
    double (*saved_)();
};

// A program driven line by line through pipes, as an interface drives its
// engine: replies are read with time limits and time stamps.
class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;

    explicit ChildProcess(const std::vector<std::string> &argv) {
        signal(SIGPIPE, SIG_IGN);
        int in[2], out[2], err[2];
        if (pipe(in) || pipe(out) || pipe(err)) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
            std::vector<char *> args;
            for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        fd_[0] = out[0];
        fd_[1] = err[0];
        for (int fd : {in_, fd_[0], fd_[1]}) fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    ChildProcess() : ChildProcess(std::vector<std::string>{QUINTAR_BIN}) {}

    ~ChildProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, fd_[0], fd_[1]})
            if (fd >= 0) close(fd);
    }

    bool started() const { return pid_ > 0; }

    // Writes one line (a "\n" is added) and returns the time it was written.
    Clock::time_point send(const std::string &line) { return write_all(line + "\n"); }
    // Writes bytes as they are, reading output meanwhile so that a child
    // blocked on a full output pipe cannot block us.
    Clock::time_point write_all(const std::string &bytes) {
        for (size_t done = 0; done < bytes.size() && in_ >= 0;) {
            ssize_t k = write(in_, bytes.data() + done, bytes.size() - done);
            if (k < 0 && (errno == EINTR || errno == EAGAIN)) {
                if (!pump(5) && eof_[0]) break;
                continue;
            }
            if (k <= 0) break;
            done += static_cast<size_t>(k);
        }
        return Clock::now();
    }
    void close_input() {
        if (in_ >= 0) close(in_);
        in_ = -1;
    }

    // The next line of standard output (without "\n"), or false when none
    // came within timeout_ms.  *at receives the time it was read.
    bool read_line(std::string *line, int timeout_ms, Clock::time_point *at = nullptr) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const size_t nl = text_[0].find('\n');
            if (nl != std::string::npos) {
                *line = text_[0].substr(0, nl);
                text_[0].erase(0, nl + 1);
                if (at) *at = last_read_;
                return true;
            }
            const int left = ms_until(deadline);
            if (left <= 0 || !pump(left)) return false;
        }
    }

    // Reads lines until one begins with prefix.
    bool read_until(const std::string &prefix, std::string *line, int timeout_ms,
                    Clock::time_point *at = nullptr) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const int left = ms_until(deadline);
            if (left <= 0 || !read_line(line, left, at)) return false;
            if (line->compare(0, prefix.size(), prefix) == 0) return true;
        }
    }

    // The exit status, or -1 after a kill at the time limit or an abnormal end.
    int wait_exit(int timeout_ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (Clock::now() >= deadline) kill(pid_, SIGKILL);
            pump(5);
        }
        exited_ = true;
        drain();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Output not yet taken as lines, and everything seen on standard error.
    const std::string &pending() const { return text_[0]; }
    const std::string &errors() {
        drain();
        return text_[1];
    }

    static int ms_until(Clock::time_point deadline) {
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    }

private:
    void drain() {
        char chunk[65536];
        for (int i = 0; i < 2; ++i)
            for (ssize_t k; (k = read(fd_[i], chunk, sizeof chunk)) > 0;)
                text_[i].append(chunk, static_cast<size_t>(k));
    }

    // Moves available output into the buffers; false when standard output
    // has closed and nothing came.
    bool pump(int timeout_ms) {
        pollfd fds[2] = {{eof_[0] ? -1 : fd_[0], POLLIN, 0}, {eof_[1] ? -1 : fd_[1], POLLIN, 0}};
        if (eof_[0] && eof_[1]) {
            usleep(static_cast<useconds_t>(timeout_ms) * 1000);
            return false;
        }
        if (poll(fds, 2, timeout_ms) < 0) return errno == EINTR;
        bool got = false;
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char chunk[65536];
            const ssize_t k = read(fd_[i], chunk, sizeof chunk);
            if (k > 0) {
                text_[i].append(chunk, static_cast<size_t>(k));
                if (i == 0) last_read_ = Clock::now();
                got = true;
            } else if (k == 0) {
                eof_[i] = true;
            }
        }
        return got || !eof_[0];
    }

    pid_t pid_ = -1;
    int in_ = -1, fd_[2] = {-1, -1};  // standard output, standard error
    bool exited_ = false, eof_[2] = {false, false};
    std::string text_[2];
    Clock::time_point last_read_ = Clock::now();
};

// The move code of a coordinate text such as "e2e4".
inline int text_code(const std::string &m) {
    return move_code(m[0] - 'a', '8' - m[1], m[2] - 'a', '8' - m[3]);
}
// The coordinate text of the move from (fx, fy) to (tx, ty), row 0 rank 8.
inline std::string move_text(int fx, int fy, int tx, int ty) {
    return {char('a' + fx), char('8' - fy), char('a' + tx), char('8' - ty)};
}

// Calls visit(fx, fy, tx, ty) for every legal move of `side` in the position
// on the board, from-squares and then to-squares rank 8 first.
void for_each_legal_move(int side, const std::function<void(int, int, int, int)> &visit);
// The engine state (state_get) as bytes, to compare two moments whole (with
// EXPECT_TRUE: the bytes themselves tell a reader nothing).
std::string state_bytes();

// The set of the squares named in `names` ("e2 e4"; "" for none), the bit of
// file x and row y (row 0 is rank 8) at y * 8 + x as the board numbers them.
inline uint64_t squares(const std::string &names) {
    uint64_t set = 0;
    for (size_t i = 0; i + 1 < names.size(); i += 3)
        set |= uint64_t{1} << (('8' - names[i + 1]) * 8 + (names[i] - 'a'));
    return set;
}

// The colour mirror of a FEN: ranks flipped, colours, side to move,
// castling rights and the en-passant square swapped.
std::string mirror_fen(const std::string &fen);
// A coordinate move text ("e2e4") on the colour mirror: ranks flipped.
std::string mirror_move(const std::string &move);

// Regular expressions (ECMAScript), compiled in test_support.cpp alone:
// <regex> takes longer to build than any test that uses it.
// Whether the whole of `text` matches `pattern`; groups (when given) gets
// the whole match and each group's text.
bool regex_matches(const std::string &text, const std::string &pattern,
                   std::vector<std::string> *groups = nullptr);
// Whether some part of `text` matches `pattern`.
bool regex_finds(const std::string &text, const std::string &pattern);
// `text` with every match of `pattern` replaced by `with`.
std::string regex_replaced(const std::string &text, const std::string &pattern,
                           const std::string &with);
