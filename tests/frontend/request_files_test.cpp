// Cancellation through the cancel file, the rate of the cancel poll, and
// publication of responses: a reader never sees a partial response, and
// one that cannot be created, written or published leaves no partial file.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kHead = "QUINTAR_C_REQUEST_1\n";

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Depth 8 with five minutes from a sharp middlegame; cancelled before the
// search (delay -1) or during it.  Request and cancel file are deleted,
// nothing is published.
TEST(RequestCancel, CancelBeforeAndDuringTheSearch) {
    for (int delay_ms : {-1, 400}) {
        SCOPED_TRACE(delay_ms);
        const std::string path = make_temp_dir() + "/req";
        write_file(path, kHead +
                             "long\n300000 8 1024 1 1 0 1\nposition startpos moves e2e4 e7e5 "
                             "g1f3 b8c6 f1c4 g8f6 d2d4 e5d4 e1g1 f6e4 f1e1 d7d5\n");
        if (delay_ms < 0) write_file(path + ".cancel", "");
        std::thread host([&] {
            if (delay_ms < 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
            write_file(path + ".cancel", "stop");
        });
        const Clock::time_point start = Clock::now();
        RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 120000);
        const double took = elapsed_ms(start);
        host.join();
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_GE(took, delay_ms) << "the search ended before the cancel file appeared";
        EXPECT_LT(took, std::max(delay_ms, 0) + 5000);
        for (const char *suffix : {"", ".cancel", ".response", ".response.tmp", ".error.txt"})
            EXPECT_FALSE(file_exists(path + suffix)) << suffix;
    }
}

TEST(RequestCancel, PollLooksAtTheFileSystemAtMostEvery10ms) {
    reset_engine();
    // Outside request mode the file system is never touched.
    uint64_t before = cancel_polls;
    Clock::time_point start = Clock::now();
    while (elapsed_ms(start) < 50) EXPECT_EQ(SearchTimeExpired(), 0);
    EXPECT_EQ(cancel_polls, before);

    snprintf(request_cancel, sizeof request_cancel, "%s/req.cancel", make_temp_dir().c_str());
    before = cancel_polls;
    start = Clock::now();
    long calls = 0;
    for (; elapsed_ms(start) < 200; ++calls) EXPECT_EQ(SearchTimeExpired(), 0);
    const uint64_t polls = cancel_polls - before;
    EXPECT_GT(calls, 1000);
    EXPECT_LE(polls, static_cast<uint64_t>(elapsed_ms(start) / 10) + 1);
    EXPECT_GE(polls, 5u);

    // Once the file exists, the next poll stops the search.
    write_file(request_cancel, "");
    start = Clock::now();
    while (!SearchTimeExpired() && elapsed_ms(start) < 1000) {
    }
    EXPECT_EQ(stop_requested.load(), 1);
    EXPECT_LT(elapsed_ms(start), 100);
    reset_engine();
}

TEST(RequestPublication, WatcherNeverSeesAPartialResponse) {
    const std::string path = make_temp_dir() + "/req", response = path + ".response";
    std::atomic<bool> done{false};
    std::atomic<int> seen{0}, partial{0};
    std::thread watcher([&] {
        while (!done.load()) {
            int fd = open(response.c_str(), O_RDONLY);
            if (fd < 0) continue;
            char buf[4096];
            ssize_t n = read(fd, buf, sizeof buf);
            close(fd);
            std::string text(buf, n > 0 ? static_cast<size_t>(n) : 0);
            const bool whole = std::count(text.begin(), text.end(), '\n') == 21 &&
                               text.back() == '\n' && text.compare(0, 8, "watch\nOK") == 0;
            ++(whole ? seen : partial);
        }
    });
    const int runs = 100;
    for (int i = 0; i < runs; ++i) {
        write_file(path, kHead + "watch\n200 " + std::to_string(1 + i % 2) +
                             " 0 1 1 0 1\nposition startpos moves d2d4\n");
        EXPECT_EQ(run_program(QUINTAR_BIN, {"--request", path}).status, 0);
        const int before = seen.load();
        const Clock::time_point start = Clock::now();
        while (seen.load() == before && elapsed_ms(start) < 2000) std::this_thread::yield();
        remove(response.c_str());
        remove(path.c_str());
    }
    done = true;
    watcher.join();
    EXPECT_EQ(partial.load(), 0);
    EXPECT_GE(seen.load(), runs);
}

TEST(RequestPublication, ResponseThatCannotBeCreatedWrittenOrPublished) {
    struct {
        const char *message;
        void (*obstruct)(const std::string &path);
        std::string response;  // what stands at PATH.response afterwards
    } cases[] = {
        {"Cannot create response file",  // the temporary name is a folder
         [](const std::string &p) { mkdir((p + ".response.tmp").c_str(), 0755); }, ""},
        {"Cannot write response file",  // a full device
         [](const std::string &p) { symlink("/dev/full", (p + ".response.tmp").c_str()); },
         "tk\nERROR\nCannot write response file\n"},
        {"Cannot publish response file",  // the name is a folder that is not empty
         [](const std::string &p) {
             mkdir((p + ".response").c_str(), 0755);
             write_file(p + ".response/keep", "x");
         },
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        const std::string path = make_temp_dir() + "/req";
        write_file(path, kHead + "tk\n200 1 0 1 1 0 1\nposition startpos\n");
        c.obstruct(path);
        RunResult run = run_program(QUINTAR_BIN, {"--request", path});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string("Quintar request error: ") + c.message + "\n");
        EXPECT_EQ(read_file(path + ".error.txt"), std::string(c.message) + "\n");
        struct stat st;
        EXPECT_FALSE(lstat((path + ".response.tmp").c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            << "a temporary response was left behind";
        const bool published = stat((path + ".response").c_str(), &st) == 0 && S_ISREG(st.st_mode);
        EXPECT_EQ(published ? read_file(path + ".response") : "", c.response);
        EXPECT_TRUE(file_exists(path));
    }
}

}  // namespace
