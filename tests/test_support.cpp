#include "tests/test_support.h"

#include "frontend/quintar.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

RunResult run_program(const std::string &program, const std::initializer_list<std::string> &args,
                      const std::string &input, int timeout_ms) {
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) return {-1, "", "pipe failed"};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(in_pipe[0]);
        close(in_pipe[1]);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    int in_fd = in_pipe[1];
    if (input.empty()) {
        close(in_fd);
        in_fd = -1;
    } else {
        fcntl(in_fd, F_SETFL, O_NONBLOCK);
    }
    RunResult r{-1, "", ""};
    auto start = std::chrono::steady_clock::now();
    bool out_open = true, err_open = true;
    while (out_open || err_open) {
        pollfd fds[3];
        int n = 0;
        int out_i = -1, err_i = -1, in_i = -1;
        if (out_open) {
            fds[n] = {out_pipe[0], POLLIN, 0};
            out_i = n++;
        }
        if (err_open) {
            fds[n] = {err_pipe[0], POLLIN, 0};
            err_i = n++;
        }
        if (in_fd >= 0) {
            fds[n] = {in_fd, POLLOUT, 0};
            in_i = n++;
        }
        int left =
            timeout_ms - static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, n, left) < 0 && errno != EINTR) break;
        char buf[65536];
        if (out_i >= 0 && (fds[out_i].revents & (POLLIN | POLLHUP))) {
            ssize_t k = read(out_pipe[0], buf, sizeof buf);
            if (k <= 0)
                out_open = false;
            else
                r.out.append(buf, static_cast<size_t>(k));
        }
        if (err_i >= 0 && (fds[err_i].revents & (POLLIN | POLLHUP))) {
            ssize_t k = read(err_pipe[0], buf, sizeof buf);
            if (k <= 0)
                err_open = false;
            else
                r.err.append(buf, static_cast<size_t>(k));
        }
        if (in_i >= 0 && (fds[in_i].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t k = write(in_fd, input.data() + written, input.size() - written);
            if (k > 0) written += static_cast<size_t>(k);
            if (k < 0 || written >= input.size()) {
                close(in_fd);
                in_fd = -1;
            }
        }
    }
    if (in_fd >= 0) close(in_fd);
    close(out_pipe[0]);
    close(err_pipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

void reset_engine() {
    init_engine();
    set_fen(start_fen);
    pref_count = 0;
    request_cancel[0] = 0;
    cancel_last = 0;
    stop_requested.store(0);
}

void load_fen(const char *fen) {
    reset_engine();
    ASSERT_EQ(set_fen(fen), 1) << fen;
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_file(const std::string &path, const std::string &content) {
    std::ofstream f(path, std::ios::binary);
    f << content;
}

bool file_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string make_temp_dir() {
    char templ[] = "/tmp/quintar_test_XXXXXX";
    char *d = mkdtemp(templ);
    return d ? std::string(d) : std::string("/tmp");
}
