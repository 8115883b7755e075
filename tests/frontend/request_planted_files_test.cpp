// Request files in a folder that others can write to: whatever another user
// plants at the names of the temporary response or the error file (a link to
// a file of ours, a dangling link, a hard link, a folder, or something that
// appears just before the engine creates the file) is never written
// through, and the host still sees an answer, or the failure, as usual.
// Nor does anything planted hold the engine up: a named pipe or a device at
// the cancel name is found without being opened (anything there cancels),
// and one given as the request is refused before it is read.
#include "frontend/request_mode.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

const std::string kVictim = "precious data\n";
const std::string kGood = "QUINTAR_C_REQUEST_1\ntok\n200 1 0 1 1 0 1\nposition startpos\n";
const std::string kBad = "QUINTAR_C_REQUEST_1\ntok\nbad line\n";
// Three seconds to depth 8: a search that only the cancel file ends at once.
const std::string kSlow = "QUINTAR_C_REQUEST_1\ntok\n3000 8 0 1 1 0 0\nposition startpos\n";
// Far more than any of these runs takes; only a run that waits for good
// reaches it, and is then killed.
constexpr int kHangMs = 30000;

// What stands at a name, without following a link.
std::string kind(const std::string &name) {
    struct stat st;
    if (lstat(name.c_str(), &st) != 0) return "nothing";
    if (S_ISLNK(st.st_mode)) return "link";
    if (S_ISDIR(st.st_mode)) return "folder";
    if (S_ISFIFO(st.st_mode)) return "pipe";
    if (S_ISCHR(st.st_mode)) return "device";
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
    const char *cancel = ".cancel", *request = "";           // the request's own name
    const char *bad_params = "Invalid search parameters",
               *cannot_create = "Cannot create response file",
               *cannot_open = "Cannot open request file";
    struct {
        const char *plant;        // what is planted (made by its name below)
        const char *at;           // the name planted at, after the request path
        const std::string &asks;  // the request file's content (unless planted at its name)
        const char *message;      // on standard error, with status 2; "" for none, with status 0
        char response;            // 'O' an OK response, 'E' the message's ERROR response, '-' none
        bool error;               // whether the error file holds the message
        const char *left;         // what stands at the planted name afterwards
        bool withdrawn;           // the request was deleted: the search was cancelled
    } cases[] = {
        {"link", tmp, kGood, "", 'O', false, "nothing", false},
        {"link", err, kBad, bad_params, 'E', true, "file", false},
        {"dangling link", tmp, kGood, "", 'O', false, "nothing", false},
        {"dangling link", err, kBad, bad_params, 'E', true, "file", false},
        {"hard link", tmp, kGood, "", 'O', false, "nothing", false},
        {"stale file of a killed engine", tmp, kGood, "", 'O', false, "nothing", false},
        {"folder", tmp, kGood, cannot_create, '-', true, "folder", false},
        {"folder", err, kBad, bad_params, 'E', false, "folder", false},
        {"named pipe", tmp, kGood, "", 'O', false, "nothing", false},
        // The link appears after the removal: the create fails, and the
        // second attempt of the failure report removes it and publishes.
        {"link appearing", tmp, kGood, cannot_create, 'E', true, "nothing", false},
        {"link appearing", err, kBad, bad_params, 'E', false, "link", false},
        // Whatever stands at the cancel name cancels, even what cannot be
        // read: request and cancel name are deleted (a link, never what it
        // points to), nothing is published.  A dangling link is no file.
        {"named pipe", cancel, kSlow, "", '-', false, "nothing", true},
        {"link to a named pipe", cancel, kSlow, "", '-', false, "nothing", true},
        {"link to /dev/null", cancel, kSlow, "", '-', false, "nothing", true},
        {"folder", cancel, kSlow, "", '-', false, "nothing", true},
        {"file we may not read", cancel, kSlow, "", '-', false, "nothing", true},
        {"dangling link", cancel, kGood, "", 'O', false, "link", false},
        // Only a regular file is read as the request; nothing else is
        // opened for reading at all.
        {"named pipe", request, kGood, cannot_open, '-', true, "pipe", false},
        {"link to a named pipe", request, kGood, cannot_open, '-', true, "link", false},
        {"link to /dev/zero", request, kGood, cannot_open, '-', true, "link", false},
        {"folder", request, kGood, cannot_open, '-', true, "folder", false},
    };
    std::vector<std::string> programs = {QUINTAR_BIN};
#ifdef QUINTAR_AMIGA_BIN
    programs.push_back(QUINTAR_AMIGA_BIN);
#endif
    for (const std::string &program : programs) {
        for (const auto &c : cases) {
            const std::string plant = c.plant;
            const bool in_process = plant == "link appearing";
            if (in_process && program != QUINTAR_BIN) continue;
            SCOPED_TRACE(
                program + ": " + plant +
                (c.at == request ? std::string(" as the request") : " at " + std::string(c.at)));
            const std::string message = c.message;
            const std::string dir = make_temp_dir(), path = dir + "/req", victim = dir + "/victim";
            const std::string planted = path + c.at, missing = dir + "/missing";
            const std::string pipe = dir + "/pipe";
            if (c.at != request) write_file(path, c.asks);
            write_file(victim, kVictim);
            ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
            std::string target;  // what a planted link points to
            if (plant == "link") target = victim;
            if (plant == "dangling link") target = missing;
            if (plant == "link to a named pipe") target = pipe;
            if (plant.rfind("link to /dev/", 0) == 0) target = plant.substr(8);
            int failed = target.empty() ? 0 : symlink(target.c_str(), planted.c_str());
            if (plant == "hard link") failed = link(victim.c_str(), planted.c_str());
            if (plant == "folder") failed = mkdir(planted.c_str(), 0755);
            if (plant == "named pipe") failed = mkfifo(planted.c_str(), 0644);
            if (plant == "stale file of a killed engine")
                write_file(planted, "stale\nhalf an answer");
            if (plant == "file we may not read") write_file(planted, "");
            if (plant == "file we may not read") failed = chmod(planted.c_str(), 0);
            // Made by now, or by the hook when the engine is about to create it.
            ASSERT_TRUE(failed == 0 && (in_process || kind(planted) != "nothing")) << "not planted";
            const std::string target_kind = kind(target);

            const RunResult run = in_process
                                      ? run_in_process(path, planted, victim)
                                      : run_program(program, {"--request", path}, "", kHangMs);

            EXPECT_NE(run.status, -1) << "still waiting after " << kHangMs << " ms";
            EXPECT_EQ(read_file(victim), kVictim);
            EXPECT_EQ(kind(pipe), "pipe");
            if (!target.empty()) {
                EXPECT_EQ(kind(target), target_kind) << target;
            }
            if (c.at != request) {
                EXPECT_EQ(kind(path), c.withdrawn ? "nothing" : "file");
            }
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
