// The request-file protocol: the real program on request files in a fresh
// folder (every file it leaves, its standard error and exit status), the
// reader and response writer driven in-process, cancellation through the
// cancel file, and a response that cannot be created, written or published
// leaves no partial file.
#include "frontend/request_mode.h"
#include "tests/test_support.h"

namespace {

const std::string kHead = "QUINTAR_C_REQUEST_1\n";

// What one run of "--request PATH" leaves behind ("" for a missing file).
struct Outcome {
    RunResult run;
    std::string response, error;
    bool temporary;
};

Outcome run_request(const std::string &path) {
    return {run_program(QUINTAR_BIN, {"--request", path}), read_file(path + ".response"),
            read_file(path + ".error.txt"), file_exists(path + ".response.tmp")};
}

Outcome run_content(const std::string &content) {
    std::string path = make_temp_dir() + "/req";
    write_file(path, content);
    return run_request(path);
}

// A published OK response: 21 lines, token, OK, the move; line 9 holds the
// number of legal moves.
void expect_ok_response(const Outcome &o, const std::string &token, int legal_moves) {
    EXPECT_EQ(o.run.status, 0);
    EXPECT_EQ(o.run.err, "");
    EXPECT_EQ(o.error, "");
    EXPECT_FALSE(o.temporary);
    EXPECT_EQ(std::count(o.response.begin(), o.response.end(), '\n'), 21) << o.response;
    EXPECT_EQ(o.response.rfind(token + "\nOK\n", 0), 0u) << o.response;
    size_t line9 = 0;
    for (int i = 0; i < 8; ++i) line9 = o.response.find('\n', line9) + 1;
    EXPECT_EQ(o.response.substr(line9, o.response.find('\n', line9) - line9),
              std::to_string(legal_moves));
}

// A failure: status 2, `message` on standard error and, when `error_file`,
// in the error file; the ERROR response for `token`, none for "".
void expect_failure(const Outcome &o, const std::string &message, bool error_file = true,
                    const std::string &token = "") {
    EXPECT_EQ(o.run.status, 2);
    EXPECT_EQ(o.run.out, "");
    EXPECT_EQ(o.run.err, "Quintar request error: " + message + "\n");
    EXPECT_EQ(o.error, error_file ? message + "\n" : "");
    EXPECT_EQ(o.response, token.empty() ? "" : token + "\nERROR\n" + message + "\n");
    EXPECT_FALSE(o.temporary);
}

TEST(RequestProtocol, ValidRequestsAreAnswered) {
    const std::string t127(127, 'T');  // the longest token
    struct {
        std::string content, token;
        int legal_moves;
    } cases[] = {
        {kHead + "tok-1\n500 2 1024 1 1 0 1\nposition startpos moves e2e4\n", "tok-1", 20},
        {kHead + t127 + "\n500 2 0 1 1 0 1\nposition startpos moves e2e4 e7e5\n", t127, 29},
        {"QUINTAR_C_REQUEST_1\r\ntok\r\n300 1 0 1 1 0 1\r\nposition startpos\r\n", "tok", 20},
    };
    for (const auto &c : cases) expect_ok_response(run_content(c.content), c.token, c.legal_moves);
}

TEST(RequestProtocol, FailuresReportTheirMessage) {
    const std::string p = "\n1000 1 0 1 1 0 1\nposition startpos\n", t127(127, 'T');
    auto req = [](const std::string &params) {
        return kHead + "abc\n" + params + "\nposition startpos\n";
    };
    struct {
        std::string content, message, token;  // no ERROR response without a token
    } cases[] = {
        {"", "Missing request header", ""},
        // A header line longer than the token buffer: its first 127 bytes
        // are taken as the token.
        {std::string(3u << 20, 'a'), "Invalid request header", std::string(127, 'a')},
        {kHead, "Missing request token", ""},
        {"WRONG\n", "Missing request token", ""},
        {kHead + "\n1000 1 0 1 1 0 1\n", "Empty request token", ""},
        {"\nabc\n", "Invalid request header", "abc"},
        {"QUINTAR_C_REQUEST_2\nabc" + p, "Invalid request header", "abc"},
        {kHead + "abc\n", "Invalid search parameters", "abc"},
        {req("1000 1 0 1"), "Invalid search parameters", "abc"},
        {req("1000 8.5 0 1 1 0 1"), "Invalid search parameters", "abc"},
        {kHead + t127 + "U" + p, "Invalid search parameters", t127},
        {req("1000 9 0 1 1 0 1"), "Search parameters out of range", "abc"},
        {kHead + "abc\n1000 4 0 1 1 0 1\n", "Missing position", "abc"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        expect_failure(run_content(c.content), c.message, true, c.token);
    }
}

TEST(RequestProtocol, RequestThatCannotBeOpened) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/plain", "x");
    // Missing: the error file is written beside it.  Below a plain file:
    // nothing can be written at all.
    for (const std::string &path : {dir + "/missing", dir + "/plain/req"})
        expect_failure(run_request(path), "Cannot open request file", path == dir + "/missing");
}

TEST(RequestProtocol, UnplayablePositionsGetTheNoMoveAnswer) {
    for (const char *position : {
             "position startpos moves e2e4 e7e5 e1e3", "go depth 3",
             "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             "position startpos moves f2f3 e7e5 g2g4 d8h4",  // White is mated
         }) {
        Outcome o = run_content(kHead + "T9\n1000 3 0 1 1 0 1\n" + position + "\n");
        EXPECT_EQ(o.run.status, 0) << position;
        EXPECT_EQ(o.run.err, "") << position;
        EXPECT_EQ(o.response, "T9\nERROR\nKeine gueltige Stellung oder kein legaler Zug\n");
        EXPECT_EQ(o.error, "") << position;
    }
}

// A request path of exactly `length` bytes, in nested folders whose names
// stay below the file system's name limit.
std::string path_of_length(size_t length) {
    std::string path = make_temp_dir();
    for (; path.size() + 251 < length; mkdir(path.c_str(), 0755))
        path += "/" + std::string(200, 'd');
    return path + "/" + std::string(length - path.size() - 1, 'r');
}

TEST(RequestProtocol, PathLengthLimit) {
    for (size_t length : {3900u, 3901u}) {
        const std::string path = path_of_length(length);
        ASSERT_EQ(path.size(), length);
        write_file(path, kHead + "p\n300 1 0 1 1 0 1\nposition startpos\n");
        ASSERT_TRUE(file_exists(path));
        Outcome o = run_request(path);
        if (length == 3900) {
            expect_ok_response(o, "p", 20);
        } else {
            expect_failure(o, "Request path too long", false);
        }
    }
}

const std::string kParams = "1000 1 0 1 1 0 1\n";
const std::string kStart = "position startpos\n";

struct ReadResult {
    std::string failure;  // empty when the request was readable
    RequestFile r;
};

// Resets the engine and reads `text` as a request file.
ReadResult read_request(const std::string &text) {
    reset_engine();
    FILE *f = tmpfile();
    fwrite(text.data(), 1, text.size(), f);
    rewind(f);
    ReadResult out;
    const char *failure = request_read(f, &out.r);
    fclose(f);
    out.failure = failure ? failure : "";
    return out;
}

std::string response_text(const RequestFile &r) {
    char *text = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&text, &length);
    EXPECT_EQ(request_write_response(out, r), 1);
    fclose(out);
    std::string s(text, length);
    free(text);
    return s;
}

TEST(RequestReader, ParameterRanges) {
    for (const char *line : {"1 1 0 1 1 0 1", "300000 1 0 1 1 0 1", "1000 8 0 1 1 0 1",
                             "1000 1 512 1 1 0 1", "1000 1 1024 1 1 0 1", "1e3 1 0 1 1 0 1",
                             "  1000\t1 \t0 1 1 0 1   trailing words", "1000 1 0 -5 7 123456 -1"})
        EXPECT_EQ(read_request(kHead + "t\n" + line + "\n" + kStart).failure, "") << line;
    for (const char *line :
         {"0.5 4 0 1 1 0 1", "0 4 0 1 1 0 1", "300000.5 4 0 1 1 0 1", "nan 4 0 1 1 0 1",
          "inf 4 0 1 1 0 1", "1000 9 0 1 1 0 1", "1000 0 0 1 1 0 1", "1000 4294967297 0 1 1 0 1",
          "1000 8 256 1 1 0 1", "1000 8 -512 1 1 0 1", "1000 8 2048 1 1 0 1"})
        EXPECT_EQ(read_request(kHead + "t\n" + line + "\n" + kStart).failure,
                  "Search parameters out of range")
            << line;
}

TEST(RequestReader, PositionLines) {
    const std::pair<const char *, double> cases[] = {
        // side to move, 0 for invalid
        {"position startpos", 1},
        {"position startpos moves e2e4", 2},
        {"position startpos moves   e2e4    e7e5   ", 1},
        {"position startpos moves e2e5", 0},
        {"position startpos moves e2e4\te7e5", 0},
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
        {" position startpos", 0},
    };
    for (const auto &c : cases) {
        ReadResult got = read_request(kHead + "t\n" + kParams + c.first + "\n");
        ASSERT_EQ(got.failure, "") << c.first;
        EXPECT_EQ(got.r.position_valid ? currentPlayer : 0, c.second) << c.first;
    }
}

// The preference table as read: move, value and bonus of each entry.
std::string preferences() {
    std::ostringstream text;
    for (int i = 0; i < pref_count; ++i)
        text << (i ? ", " : "") << pref_move[i] << " " << pref_value[i] << " " << pref_bonus[i];
    return text.str();
}

TEST(RequestReader, PreferenceTable) {
    const std::string prefs =
        "e2e4 5 1\ne2e4 5\nd2d4 -2.5 0.25\n\nabcdefgh 1 1\ne7e8q 1e2 -3\ng1f3 x 1\n";
    ReadResult got = read_request(kHead + "t\n" + kParams + kStart + prefs);
    ASSERT_EQ(got.failure, "");
    // Two fields, eight characters, no number: skipped.
    EXPECT_EQ(preferences(), "e2e4 5 1, d2d4 -2.5 0.25, e7e8q 100 -3");
    std::string many;  // 300 lines keep the first 256
    for (int i = 0; i < 300; ++i)
        many += "m" + std::to_string(i) + " " + std::to_string(i) + " 0\n";
    got = read_request(kHead + "t\n" + kParams + kStart + many);
    ASSERT_EQ(pref_count, 256);
    EXPECT_STREQ(pref_move[255], "m255");
    // Read for an invalid position too.
    got = read_request(kHead + "t\n" + kParams + "position startpos moves e2e5\ne2e4 1 2\n");
    EXPECT_FALSE(got.r.position_valid);
    EXPECT_EQ(preferences(), "e2e4 1 2");
}

// A position line longer than the 16383-byte buffer: its tail is read as a
// preference line and the move list stops where the buffer ends.
TEST(RequestReader, LongLinesSpillIntoTheNextRead) {
    std::string moves = "position startpos moves";
    moves += std::string(16383 - moves.size(), ' ') + "e2e4 9 9";
    ReadResult got = read_request(kHead + "t\n" + kParams + moves + "\n");
    ASSERT_EQ(got.failure, "");
    EXPECT_TRUE(got.r.position_valid);
    EXPECT_EQ(currentPlayer, 1);
    EXPECT_EQ(preferences(), "e2e4 9 9");
}

TEST(RequestReader, OkResponseBytes) {
    ReadResult got = read_request(kHead + "my token\n" + kParams + kStart);
    ASSERT_EQ(got.failure, "");
    computerBestFromX = 4;
    computerBestMove_s = hs("e7e8q");
    computerScore = -12.5;
    computerReachedDepth = 3.9;
    computerNodes = 123456789012.0;
    computerSearchMilliseconds = 15.6;
    learningChoiceUsed = 1;
    computerLegalMoves = 20;
    for (int i = 0; i < 12; ++i) {
        preferredPVValid[i] = i < 2;
        preferredPVFromX[i] = i;
        preferredPVFromY[i] = 7 - (i % 8);
        preferredPVToX[i] = 2;
        preferredPVToY[i] = 5;
        preferredPVPiece[i] = i < 2 ? 16 : 0;
    }
    EXPECT_EQ(response_text(got.r),
              "my token\nOK\ne7e8q\n-12.5\n3\n123456789012\n16\n1\n20\n"
              "1 0 7 2 5 16\n1 1 6 2 5 16\n0 2 5 2 5 0\n0 3 4 2 5 0\n0 4 3 2 5 0\n0 5 2 2 5 0\n"
              "0 6 1 2 5 0\n0 7 0 2 5 0\n0 8 7 2 5 0\n0 9 6 2 5 0\n0 10 5 2 5 0\n0 11 4 2 5 0\n");
}

// Depth 8 with five minutes from a sharp middlegame (about a minute of
// work, longer on a busy machine); cancelled before the search (delay -1)
// or during it.  Request and cancel file are deleted, nothing is published:
// a search that ran to its end would have published its answer, so no time
// needs measuring.  How soon the cancel file is seen: StopClock tests.
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
        RunResult run = run_program(QUINTAR_BIN, {"--request", path}, "", 120000);
        host.join();
        EXPECT_EQ(run.status, 0) << "-1: still searching at the time limit";
        EXPECT_EQ(run.err, "");
        for (const char *suffix : {"", ".cancel", ".response", ".response.tmp", ".error.txt"})
            EXPECT_FALSE(file_exists(path + suffix)) << suffix;
    }
}

// (A response that cannot be created: request_planted_files_test.)
TEST(RequestPublication, ResponseThatCannotBeWrittenOrPublished) {
    struct {
        const char *message;
        void (*obstruct)(const std::string &path);
        std::string response;  // what stands at PATH.response afterwards
    } cases[] = {
        {"Cannot write response file",  // files limited to 40 bytes: the OK response fails
         [](const std::string &) {}, "tk\nERROR\nCannot write response file\n"},
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
        // The write case runs with a file-size limit (and the signal for
        // exceeding it ignored): the error file and the ERROR response fit
        // in 40 bytes, the OK response does not.
        const bool limited = std::string(c.message) == "Cannot write response file";
        RunResult run =
            limited ? run_program(
                          "/bin/sh",
                          {"-c", "trap '' XFSZ; exec prlimit --fsize=40 \"$0\" --request \"$1\"",
                           QUINTAR_BIN, path})
                    : run_program(QUINTAR_BIN, {"--request", path});
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
