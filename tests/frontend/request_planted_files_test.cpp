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

enum class Plant {
    Link,
    DanglingLink,
    HardLink,
    StaleFile,
    Folder,
    LinkInTheGap,
    Pipe,
    LinkToPipe,
    LinkToNull,
    LinkToZero,
    Unreadable
};

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
    const char *kPlantNames[] = {"link",
                                 "dangling link",
                                 "hard link",
                                 "stale file of a killed engine",
                                 "folder",
                                 "link appearing",
                                 "named pipe",
                                 "link to a named pipe",
                                 "link to /dev/null",
                                 "link to /dev/zero",
                                 "file we may not read"};
    struct {
        Plant plant;
        const char *at;           // the name planted at, after the request path
        const std::string &asks;  // the request file's content (unless planted at its name)
        const char *message;      // on standard error, with status 2; "" for none, with status 0
        char response;            // 'O' an OK response, 'E' the message's ERROR response, '-' none
        bool error;               // whether the error file holds the message
        const char *left;         // what stands at the planted name afterwards
        bool withdrawn;           // the request was deleted: the search was cancelled
    } cases[] = {
        {Plant::Link, tmp, kGood, "", 'O', false, "nothing", false},
        {Plant::Link, err, kBad, bad_params, 'E', true, "file", false},
        {Plant::DanglingLink, tmp, kGood, "", 'O', false, "nothing", false},
        {Plant::DanglingLink, err, kBad, bad_params, 'E', true, "file", false},
        {Plant::HardLink, tmp, kGood, "", 'O', false, "nothing", false},
        {Plant::StaleFile, tmp, kGood, "", 'O', false, "nothing", false},
        {Plant::Folder, tmp, kGood, cannot_create, '-', true, "folder", false},
        {Plant::Folder, err, kBad, bad_params, 'E', false, "folder", false},
        {Plant::Pipe, tmp, kGood, "", 'O', false, "nothing", false},
        // The link appears after the removal: the create fails, and the
        // second attempt of the failure report removes it and publishes.
        {Plant::LinkInTheGap, tmp, kGood, cannot_create, 'E', true, "nothing", false},
        {Plant::LinkInTheGap, err, kBad, bad_params, 'E', false, "link", false},
        // Whatever stands at the cancel name cancels, even what cannot be
        // read: request and cancel name are deleted (a link, never what it
        // points to), nothing is published.  A dangling link is no file.
        {Plant::Pipe, cancel, kSlow, "", '-', false, "nothing", true},
        {Plant::LinkToPipe, cancel, kSlow, "", '-', false, "nothing", true},
        {Plant::LinkToNull, cancel, kSlow, "", '-', false, "nothing", true},
        {Plant::Folder, cancel, kSlow, "", '-', false, "nothing", true},
        {Plant::Unreadable, cancel, kSlow, "", '-', false, "nothing", true},
        {Plant::DanglingLink, cancel, kGood, "", 'O', false, "link", false},
        // Only a regular file is read as the request; nothing else is
        // opened for reading at all.
        {Plant::Pipe, request, kGood, cannot_open, '-', true, "pipe", false},
        {Plant::LinkToPipe, request, kGood, cannot_open, '-', true, "link", false},
        {Plant::LinkToZero, request, kGood, cannot_open, '-', true, "link", false},
        {Plant::Folder, request, kGood, cannot_open, '-', true, "folder", false},
    };
    std::vector<std::string> programs = {QUINTAR_BIN};
#ifdef QUINTAR_AMIGA_BIN
    programs.push_back(QUINTAR_AMIGA_BIN);
#endif
    for (const std::string &program : programs) {
        for (const auto &c : cases) {
            const bool in_process = c.plant == Plant::LinkInTheGap;
            if (in_process && program != QUINTAR_BIN) continue;
            SCOPED_TRACE(
                program + ": " + kPlantNames[static_cast<int>(c.plant)] +
                (c.at == request ? std::string(" as the request") : " at " + std::string(c.at)));
            const std::string message = c.message;
            const std::string dir = make_temp_dir(), path = dir + "/req", victim = dir + "/victim";
            const std::string planted = path + c.at, missing = dir + "/missing";
            const std::string pipe = dir + "/pipe";
            if (c.at != request) write_file(path, c.asks);
            write_file(victim, kVictim);
            ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
            std::string target;  // what a planted link points to
            switch (c.plant) {
                case Plant::Link: target = victim; break;
                case Plant::DanglingLink: target = missing; break;
                case Plant::HardLink: ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0); break;
                case Plant::StaleFile: write_file(planted, "stale\nhalf an answer"); break;
                case Plant::Folder: ASSERT_EQ(mkdir(planted.c_str(), 0755), 0); break;
                case Plant::LinkInTheGap: break;
                case Plant::Pipe: ASSERT_EQ(mkfifo(planted.c_str(), 0644), 0); break;
                case Plant::LinkToPipe: target = pipe; break;
                case Plant::LinkToNull: target = "/dev/null"; break;
                case Plant::LinkToZero: target = "/dev/zero"; break;
                case Plant::Unreadable:
                    write_file(planted, "");
                    ASSERT_EQ(chmod(planted.c_str(), 0), 0);
                    break;
            }
            if (!target.empty()) {
                ASSERT_EQ(symlink(target.c_str(), planted.c_str()), 0);
            }
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
