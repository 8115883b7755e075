// Request files in a folder that others can write to: whatever another user
// plants at the names of the temporary response or the error file (a link to
// a file of ours, a dangling link, a hard link, a folder, or something that
// appears just before the engine creates the file) is never written
// through, and the host still sees an answer, or the failure, as usual.
#include "frontend/request_mode.h"
#include "platform/platform.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kVictim = "precious data\n";
const std::string kGood = "QUINTAR_C_REQUEST_1\ntok\n200 1 0 1 1 0 1\nposition startpos\n";
const std::string kBad = "QUINTAR_C_REQUEST_1\ntok\nbad line\n";

enum class Plant { Link, DanglingLink, HardLink, StaleFile, Folder, LinkInTheGap };

// What stands at a name, without following a link.
std::string kind(const std::string &name) {
    struct stat st;
    if (lstat(name.c_str(), &st) != 0) return "nothing";
    if (S_ISLNK(st.st_mode)) return "link";
    if (S_ISDIR(st.st_mode)) return "folder";
    return S_ISREG(st.st_mode) ? "file" : "other";
}

// Contents of a regular file; "" for anything else.
std::string regular(const std::string &name) { return kind(name) == "file" ? read_file(name) : ""; }

// The link that the test hook makes appear between the engine's removal of
// the name and its create, once.
std::string gap_name, gap_target;

void plant_in_gap(const char *name) {
    if (name != gap_name) return;
    ASSERT_EQ(symlink(gap_target.c_str(), name), 0);
    gap_name.clear();
}

// The request answered in this process, with the hook armed for `planted`.
RunResult run_in_process(const std::string &path, const std::string &planted,
                         const std::string &victim) {
    reset_engine();
    gap_name = planted;
    gap_target = victim;
    platform_create_new_hook = plant_in_gap;
    testing::internal::CaptureStderr();
    const int status = request_mode(path.c_str());
    RunResult run{status, "", testing::internal::GetCapturedStderr()};
    platform_create_new_hook = nullptr;
    EXPECT_EQ(gap_name, "") << "the hook never ran";
    return run;
}

TEST(RequestPlantedFiles, NothingIsWrittenThroughWhatOthersPlant) {
    const char *tmp = ".response.tmp", *err = ".error.txt";  // the error file for a bad request
    const char *bad_params = "Invalid search parameters",
               *cannot_create = "Cannot create response file";
    const char *kPlantNames[] = {"link",      "dangling link",
                                 "hard link", "stale file of a killed engine",
                                 "folder",    "link appearing"};
    struct {
        Plant plant;
        const char *at;       // the name planted at, after the request path
        const char *message;  // on standard error, with status 2; "" for none, with status 0
        char response;        // 'O' an OK response, 'E' the message's ERROR response, '-' none
        bool error;           // whether the error file holds the message
        const char *left;     // what stands at the planted name afterwards
    } cases[] = {
        {Plant::Link, tmp, "", 'O', false, "nothing"},
        {Plant::Link, err, bad_params, 'E', true, "file"},
        {Plant::DanglingLink, tmp, "", 'O', false, "nothing"},
        {Plant::DanglingLink, err, bad_params, 'E', true, "file"},
        {Plant::HardLink, tmp, "", 'O', false, "nothing"},
        {Plant::StaleFile, tmp, "", 'O', false, "nothing"},
        {Plant::Folder, tmp, cannot_create, '-', true, "folder"},
        {Plant::Folder, err, bad_params, 'E', false, "folder"},
        // The link appears after the removal: the create fails, and the
        // second attempt of the failure report removes it and publishes.
        {Plant::LinkInTheGap, tmp, cannot_create, 'E', true, "nothing"},
        {Plant::LinkInTheGap, err, bad_params, 'E', false, "link"},
    };
    std::vector<std::string> programs = {QUINTAR_BIN};
#ifdef QUINTAR_AMIGA_BIN
    programs.push_back(QUINTAR_AMIGA_BIN);
#endif
    for (const std::string &program : programs) {
        for (const auto &c : cases) {
            const bool in_process = c.plant == Plant::LinkInTheGap;
            if (in_process && program != QUINTAR_BIN) continue;
            SCOPED_TRACE(program + ": " + kPlantNames[static_cast<int>(c.plant)] + " at " + c.at);
            const std::string message = c.message;
            const std::string dir = make_temp_dir(), path = dir + "/req", victim = dir + "/victim";
            const std::string planted = path + c.at, missing = dir + "/missing";
            write_file(path, c.at == err ? kBad : kGood);
            write_file(victim, kVictim);
            switch (c.plant) {
                case Plant::Link: ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0); break;
                case Plant::DanglingLink:
                    ASSERT_EQ(symlink(missing.c_str(), planted.c_str()), 0);
                    break;
                case Plant::HardLink: ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0); break;
                case Plant::StaleFile: write_file(planted, "stale\nhalf an answer"); break;
                case Plant::Folder: ASSERT_EQ(mkdir(planted.c_str(), 0755), 0); break;
                case Plant::LinkInTheGap: break;
            }

            const RunResult run = in_process ? run_in_process(path, planted, victim)
                                             : run_program(program, {"--request", path});

            EXPECT_EQ(read_file(victim), kVictim);
            EXPECT_FALSE(file_exists(missing)) << "created through a dangling link";
            EXPECT_EQ(run.status, message.empty() ? 0 : 2);
            EXPECT_EQ(run.err, message.empty() ? "" : "Quintar request error: " + message + "\n");
            EXPECT_EQ(regular(path + err), c.error ? message + "\n" : "");
            const std::string response = regular(path + ".response");
            if (c.response == 'O') {
                EXPECT_EQ(response.rfind("tok\nOK\n", 0), 0u) << response;
                EXPECT_EQ(std::count(response.begin(), response.end(), '\n'), 21) << response;
            } else {
                EXPECT_EQ(response, c.response == 'E' ? "tok\nERROR\n" + message + "\n" : "");
            }
            EXPECT_EQ(kind(path + ".response"), c.response == '-' ? "nothing" : "file");
            EXPECT_EQ(kind(planted), c.left);
        }
    }
}

}  // namespace
