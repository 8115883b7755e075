// A program driven line by line through pipes, as a chess interface drives
// its engine: lines are written when the test chooses, replies are read
// with time limits and time stamps.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class UciProcess {
public:
    using Clock = std::chrono::steady_clock;

    explicit UciProcess(const std::vector<std::string> &argv) {
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
        out_ = out[0];
        err_ = err[0];
        fcntl(out_, F_SETFL, O_NONBLOCK);
        fcntl(err_, F_SETFL, O_NONBLOCK);
    }
    UciProcess() : UciProcess(std::vector<std::string>{QUINTAR_BIN}) {}

    ~UciProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_, err_})
            if (fd >= 0) close(fd);
    }

    bool started() const { return pid_ > 0; }

    // Writes one line (a "\n" is added).  Returns the time it was written.
    Clock::time_point send(const std::string &line) {
        write_all(line + "\n");
        return Clock::now();
    }
    void write_all(const std::string &bytes) {
        size_t done = 0;
        while (done < bytes.size() && in_ >= 0) {
            ssize_t k = write(in_, bytes.data() + done, bytes.size() - done);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) break;
            done += static_cast<size_t>(k);
        }
    }
    void close_input() {
        if (in_ >= 0) close(in_);
        in_ = -1;
    }

    // The next line of standard output (without "\n"), or false when none
    // came within timeout_ms.  *at receives the time it was seen.
    bool read_line(std::string *line, int timeout_ms, Clock::time_point *at = nullptr) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            size_t nl = buf_.find('\n');
            if (nl != std::string::npos) {
                *line = buf_.substr(0, nl);
                buf_.erase(0, nl + 1);
                if (at) *at = last_read_;
                return true;
            }
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count());
            if (left <= 0 || !pump(left)) return false;
        }
    }

    // Reads lines until one begins with prefix; the lines read before it
    // are appended to *skipped when given.
    bool read_until(const std::string &prefix, std::string *line, int timeout_ms,
                    Clock::time_point *at = nullptr, std::vector<std::string> *skipped = nullptr) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count());
            if (left <= 0 || !read_line(line, left, at)) return false;
            if (line->compare(0, prefix.size(), prefix) == 0) return true;
            if (skipped) skipped->push_back(*line);
        }
    }

    // Waits for the process to end; its exit status, or -1 after a kill
    // at the time limit or an abnormal end.
    int wait_exit(int timeout_ms) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                exited_ = true;
                drain();
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (Clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                exited_ = true;
                return -1;
            }
            pump(5);
        }
    }

    // Output not yet taken as lines, and everything seen on standard error.
    const std::string &pending() const { return buf_; }
    const std::string &errors() {
        drain();
        return err_text_;
    }

private:
    // Moves available output into the buffers; false when standard output
    // has closed and nothing came.
    bool pump(int timeout_ms) {
        // A closed stream gets a negative descriptor, which poll skips.
        pollfd fds[2] = {{out_eof_ ? -1 : out_, POLLIN, 0}, {err_eof_ ? -1 : err_, POLLIN, 0}};
        if (out_eof_ && err_eof_) {
            usleep(static_cast<useconds_t>(timeout_ms) * 1000);
            return false;
        }
        int n = poll(fds, 2, timeout_ms);
        if (n < 0) return errno == EINTR;
        bool got = false;
        char chunk[65536];
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            ssize_t k = read(out_, chunk, sizeof chunk);
            if (k > 0) {
                buf_.append(chunk, static_cast<size_t>(k));
                last_read_ = Clock::now();
                got = true;
            } else if (k == 0) {
                out_eof_ = true;
            }
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            ssize_t k = read(err_, chunk, sizeof chunk);
            if (k > 0)
                err_text_.append(chunk, static_cast<size_t>(k));
            else if (k == 0)
                err_eof_ = true;
        }
        return got || !out_eof_;
    }
    void drain() {
        char chunk[65536];
        ssize_t k;
        while ((k = read(out_, chunk, sizeof chunk)) > 0)
            buf_.append(chunk, static_cast<size_t>(k));
        while ((k = read(err_, chunk, sizeof chunk)) > 0)
            err_text_.append(chunk, static_cast<size_t>(k));
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool exited_ = false;
    bool out_eof_ = false, err_eof_ = false;
    std::string buf_, err_text_;
    Clock::time_point last_read_ = Clock::now();
};

inline long elapsed_ms(UciProcess::Clock::time_point from, UciProcess::Clock::time_point to) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}
