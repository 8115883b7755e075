// Cancellation through the cancel file, the rate of the cancel poll, and
// the publication of responses: a reader never sees a partial response,
// and a response that cannot be created, written or published leaves no
// partial file behind.
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

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
// A long search: depth 8 with five minutes from a sharp middlegame.
const std::string kLongSearch =
    kHead +
    "long\n300000 8 1024 1 1 0 1\n"
    "position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d4 e5d4 e1g1 f6e4 f1e1 d7d5\n";

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// After a cancelled request nothing may be left but the folder.
void expect_cancelled(const RunResult &run, const std::string &path) {
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(file_exists(path)) << "request not deleted";
    EXPECT_FALSE(file_exists(path + ".cancel")) << "cancel file not deleted";
    EXPECT_FALSE(file_exists(path + ".response"));
    EXPECT_FALSE(file_exists(path + ".response.tmp"));
    EXPECT_FALSE(file_exists(path + ".error.txt"));
}

TEST(RequestCancel, CancelFilePresentBeforeTheSearch) {
    std::string path = make_temp_dir() + "/req";
    write_file(path, kLongSearch);
    write_file(path + ".cancel", "");
    Clock::time_point start = Clock::now();
    RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 60000);
    expect_cancelled(run, path);
    EXPECT_LT(elapsed_ms(start), 5000);
}

TEST(RequestCancel, CancelFileCreatedDuringTheSearch) {
    std::string path = make_temp_dir() + "/req";
    write_file(path, kLongSearch);
    const int delay_ms = 400;
    std::thread host([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        write_file(path + ".cancel", "stop");
    });
    Clock::time_point start = Clock::now();
    RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 120000);
    double took = elapsed_ms(start);
    host.join();
    expect_cancelled(run, path);
    EXPECT_GE(took, delay_ms) << "the search ended before the cancel file appeared";
    EXPECT_LT(took, delay_ms + 5000);
}

TEST(RequestCancel, PollLooksAtTheFileSystemAtMostEvery10ms) {
    std::string dir = make_temp_dir();
    reset_engine();

    // outside request mode the file system is never touched
    uint64_t before = cancel_polls;
    Clock::time_point start = Clock::now();
    while (elapsed_ms(start) < 50) EXPECT_EQ(SearchTimeExpired(), 0);
    EXPECT_EQ(cancel_polls, before);

    snprintf(request_cancel, sizeof request_cancel, "%s/req.cancel", dir.c_str());
    before = cancel_polls;
    start = Clock::now();
    long calls = 0;
    while (elapsed_ms(start) < 200) {
        EXPECT_EQ(SearchTimeExpired(), 0);
        ++calls;
    }
    double took = elapsed_ms(start);
    uint64_t polls = cancel_polls - before;
    EXPECT_GT(calls, 1000);
    EXPECT_LE(polls, static_cast<uint64_t>(took / 10) + 1);
    EXPECT_GE(polls, 5u);
    EXPECT_EQ(stop_requested.load(), 0);

    // once the file exists, the next poll stops the search
    write_file(request_cancel, "");
    start = Clock::now();
    while (!SearchTimeExpired() && elapsed_ms(start) < 1000) {
    }
    EXPECT_EQ(stop_requested.load(), 1);
    EXPECT_EQ(searchAborted, 1);
    EXPECT_LT(elapsed_ms(start), 100);
    reset_engine();
}

TEST(RequestPublication, WatcherNeverSeesAPartialResponse) {
    std::string path = make_temp_dir() + "/req";
    const std::string response = path + ".response";
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
            size_t lines = 0;
            for (char c : text) lines += c == '\n';
            if (lines == 21 && text.back() == '\n' && text.compare(0, 8, "watch\nOK") == 0)
                ++seen;
            else
                ++partial;
        }
    });
    const int runs = 100;
    for (int i = 0; i < runs; ++i) {
        write_file(path, kHead + "watch\n200 " + std::to_string(1 + i % 2) +
                             " 0 1 1 0 1\nposition startpos moves d2d4\n");
        RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 60000);
        EXPECT_EQ(run.status, 0);
        int before = seen.load();
        Clock::time_point start = Clock::now();
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
    const std::string content = kHead + "tk\n200 1 0 1 1 0 1\nposition startpos\n";
    struct Case {
        const char *message;
        void (*obstruct)(const std::string &path);
        std::string response;  // what stands at PATH.response afterwards ("" for none)
    } cases[] = {
        // the temporary name is taken by a folder
        {"Cannot create response file",
         [](const std::string &p) { mkdir((p + ".response.tmp").c_str(), 0755); }, ""},
        // every write to the temporary file fails (a full device)
        {"Cannot write response file",
         [](const std::string &p) {
             EXPECT_EQ(symlink("/dev/full", (p + ".response.tmp").c_str()), 0);
         },
         "tk\nERROR\nCannot write response file\n"},
        // the response name is taken by a folder that is not empty
        {"Cannot publish response file",
         [](const std::string &p) {
             mkdir((p + ".response").c_str(), 0755);
             write_file(p + ".response/keep", "x");
         },
         ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        std::string path = make_temp_dir() + "/req";
        write_file(path, content);
        c.obstruct(path);
        RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 60000);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string("Quintar request error: ") + c.message + "\n");
        EXPECT_EQ(read_file(path + ".error.txt"), std::string(c.message) + "\n");
        struct stat st;
        bool tmp_is_file =
            lstat((path + ".response.tmp").c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
        EXPECT_FALSE(tmp_is_file) << "a temporary response was left behind";
        bool response_is_file = stat((path + ".response").c_str(), &st) == 0 && S_ISREG(st.st_mode);
        EXPECT_EQ(response_is_file, !c.response.empty());
        if (response_is_file) {
            EXPECT_EQ(read_file(path + ".response"), c.response);
        }
        EXPECT_TRUE(file_exists(path));
    }
}

}  // namespace
