// The request-file protocol end to end: the real program on request files
// in a fresh folder, checking every file it leaves, its standard error and
// its exit status.
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const std::string kHead = "QUINTAR_C_REQUEST_1\n";
const std::string kNoMove = "Keine gueltige Stellung oder kein legaler Zug";

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line)) lines.push_back(line);
    return lines;
}

// What one run of "--request PATH" leaves behind.
struct Outcome {
    RunResult run;
    bool response_exists, temporary_exists, error_exists, request_exists;
    std::string response, error;
};

Outcome run_request(const std::string &path, int timeout_ms = 60000) {
    Outcome o;
    o.run = run_program(QUINTAR_BIN, {"--request", path}, "", timeout_ms);
    o.response_exists = file_exists(path + ".response");
    o.temporary_exists = file_exists(path + ".response.tmp");
    o.error_exists = file_exists(path + ".error.txt");
    o.request_exists = file_exists(path);
    if (o.response_exists) o.response = read_file(path + ".response");
    if (o.error_exists) o.error = read_file(path + ".error.txt");
    return o;
}

Outcome run_content(const std::string &content) {
    std::string path = make_temp_dir() + "/req";
    write_file(path, content);
    return run_request(path);
}

// Coordinate move text: from-square, to-square, optional promotion letter.
bool is_move_text(const std::string &m) {
    if (m.size() != 4 && !(m.size() == 5 && std::string("qrbn").find(m[4]) != std::string::npos))
        return false;
    for (int i = 0; i < 4; i += 2)
        if (m[i] < 'a' || m[i] > 'h' || m[i + 1] < '1' || m[i + 1] > '8') return false;
    return true;
}

// Exactly `count` integers separated by single spaces.
bool is_integers(const std::string &line, int count) {
    std::istringstream in(line);
    std::string word;
    int n = 0;
    while (std::getline(in, word, ' ')) {
        size_t start = word.size() > 1 && word[0] == '-';
        if (word.size() == start ||
            word.find_first_not_of("0123456789", start) != std::string::npos)
            return false;
        ++n;
    }
    return n == count;
}

// Checks a published OK response: 21 lines, the token, the move in
// coordinate form, integer fields where integers are due.
void expect_ok_response(const Outcome &o, const std::string &token, int legal_moves) {
    EXPECT_EQ(o.run.status, 0);
    EXPECT_EQ(o.run.err, "");
    EXPECT_FALSE(o.error_exists);
    EXPECT_FALSE(o.temporary_exists);
    ASSERT_TRUE(o.response_exists);
    ASSERT_EQ(o.response.back(), '\n');
    std::vector<std::string> lines = lines_of(o.response);
    ASSERT_EQ(lines.size(), 21u) << o.response;
    EXPECT_EQ(lines[0], token);
    EXPECT_EQ(lines[1], "OK");
    EXPECT_TRUE(is_move_text(lines[2])) << lines[2];
    EXPECT_TRUE(is_integers(lines[3], 1) || lines[3].find_first_of(".e") != std::string::npos)
        << lines[3];
    for (int i = 4; i <= 8; ++i) EXPECT_TRUE(is_integers(lines[i], 1)) << i << ": " << lines[i];
    EXPECT_EQ(lines[8], std::to_string(legal_moves));
    for (int i = 9; i < 21; ++i) EXPECT_TRUE(is_integers(lines[i], 6)) << lines[i];
}

TEST(RequestProtocol, ValidRequestsAreAnswered) {
    struct Case {
        const char *position;
        int legal_moves;
        const char *first_ranks;  // the ranks the mover's pieces can start from
    } cases[] = {
        {"position startpos", 20, "12"},
        {"position startpos moves e2e4", 20, "78"},
        {"position startpos moves e2e4 e7e5", 29, "123"},
    };
    for (const auto &c : cases) {
        Outcome o = run_content(kHead + "tok-1\n500 2 1024 1 1 0 1\n" + c.position + "\n");
        SCOPED_TRACE(c.position);
        expect_ok_response(o, "tok-1", c.legal_moves);
        std::vector<std::string> lines = lines_of(o.response);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_NE(std::string(c.first_ranks).find(lines[2][1]), std::string::npos) << lines[2];
        EXPECT_EQ(lines[4], "2");
        EXPECT_TRUE(o.request_exists);  // the host removes the request
    }
}

TEST(RequestProtocol, FailuresReportTheirMessage) {
    struct Case {
        std::string content, message;
        bool error_response;
        std::string token;
    } cases[] = {
        {"", "Missing request header", false, ""},
        {kHead, "Missing request token", false, ""},
        {"WRONG\n", "Missing request token", false, ""},
        {kHead + "\n1000 1 0 1 1 0 1\n", "Empty request token", false, ""},
        // the token is read before the header is judged
        {"WRONG\n\r\n", "Empty request token", false, ""},
        {"\nabc\n", "Invalid request header", true, "abc"},
        {"QUINTAR_C_REQUEST_1 \nabc\n", "Invalid request header", true, "abc"},
        {"QUINTAR_C_REQUEST_2\nabc\n1000 1 0 1 1 0 1\nposition startpos\n",
         "Invalid request header", true, "abc"},
        {kHead + "abc\n", "Invalid search parameters", true, "abc"},
        {kHead + "abc\n1000 1 0 1\nposition startpos\n", "Invalid search parameters", true, "abc"},
        {kHead + "abc\n1000 8.5 0 1 1 0 1\nposition startpos\n", "Invalid search parameters", true,
         "abc"},
        {kHead + std::string(127, 'T') + "U\n1000 1 0 1 1 0 1\nposition startpos\n",
         "Invalid search parameters", true, std::string(127, 'T')},
        {kHead + "abc\n1000 9 0 1 1 0 1\nposition startpos\n", "Search parameters out of range",
         true, "abc"},
        {kHead + "abc\n1000 8 256 1 1 0 1\nposition startpos\n", "Search parameters out of range",
         true, "abc"},
        {kHead + "abc\n0.5 4 0 1 1 0 1\nposition startpos\n", "Search parameters out of range",
         true, "abc"},
        {kHead + "abc\n1000 4 0 1 1 0 1\n", "Missing position", true, "abc"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        Outcome o = run_content(c.content);
        EXPECT_EQ(o.run.status, 2);
        EXPECT_EQ(o.run.out, "");
        EXPECT_EQ(o.run.err, "Quintar request error: " + c.message + "\n");
        EXPECT_EQ(o.error, c.message + "\n");
        EXPECT_EQ(o.response_exists, c.error_response);
        if (c.error_response) {
            EXPECT_EQ(o.response, c.token + "\nERROR\n" + c.message + "\n");
        }
        EXPECT_FALSE(o.temporary_exists);
    }
}

TEST(RequestProtocol, RequestThatCannotBeOpened) {
    std::string dir = make_temp_dir();
    // a missing file: the error file is written next to it
    Outcome o = run_request(dir + "/missing");
    EXPECT_EQ(o.run.status, 2);
    EXPECT_EQ(o.run.err, "Quintar request error: Cannot open request file\n");
    EXPECT_EQ(o.error, "Cannot open request file\n");
    EXPECT_FALSE(o.response_exists);

    // a path whose folder is a plain file: nothing can be written at all
    write_file(dir + "/plain", "x");
    o = run_request(dir + "/plain/req");
    EXPECT_EQ(o.run.status, 2);
    EXPECT_EQ(o.run.err, "Quintar request error: Cannot open request file\n");
    EXPECT_FALSE(o.error_exists);
    EXPECT_FALSE(o.response_exists);
}

TEST(RequestProtocol, UnplayablePositionsGetTheNoMoveAnswer) {
    const char *positions[] = {
        "position startpos moves e2e5",
        "position startpos moves e2e4 e7e5 e1e3",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "go depth 3",
        // fool's mate: White is checkmated
        "position startpos moves f2f3 e7e5 g2g4 d8h4",
        // a ten-move stalemate: Black to move has no legal move and is not in check
        "position startpos moves e2e3 a7a5 d1h5 a8a6 h5a5 h7h5 h2h4 a6h6 a5c7 f7f6 c7d7 e8f7 "
        "d7b7 d8d3 b7b8 d3h7 b8c8 f7g6 c8e6",
    };
    for (const char *position : positions) {
        SCOPED_TRACE(position);
        Outcome o = run_content(kHead + "T9\n1000 3 0 1 1 0 1\n" + position + "\n");
        EXPECT_EQ(o.run.status, 0);
        EXPECT_EQ(o.run.err, "");
        EXPECT_EQ(o.response, "T9\nERROR\n" + kNoMove + "\n");
        EXPECT_FALSE(o.error_exists);
        EXPECT_FALSE(o.temporary_exists);
    }
}

TEST(RequestProtocol, HeaderWithCarriageReturnIsAccepted) {
    Outcome o =
        run_content("QUINTAR_C_REQUEST_1\r\ntok\r\n300 1 0 1 1 0 1\r\nposition startpos\r\n");
    expect_ok_response(o, "tok", 20);
}

// A request path of exactly `length` bytes below a fresh folder, made of
// nested folders whose names stay below the file system's name limit.
std::string path_of_length(size_t length) {
    std::string path = make_temp_dir();
    while (path.size() + 1 + 200 + 1 + 50 < length) {
        path += "/" + std::string(200, 'd');
        mkdir(path.c_str(), 0755);
    }
    size_t rest = length - path.size() - 1;
    if (rest > 200) {
        path += "/" + std::string(rest - 60, 'e');
        mkdir(path.c_str(), 0755);
        rest = length - path.size() - 1;
    }
    path += "/" + std::string(rest, 'r');
    return path;
}

TEST(RequestProtocol, PathLengthLimit) {
    const std::string content = kHead + "p\n300 1 0 1 1 0 1\nposition startpos\n";
    std::string path = path_of_length(3900);
    ASSERT_EQ(path.size(), 3900u);
    write_file(path, content);
    ASSERT_TRUE(file_exists(path));
    expect_ok_response(run_request(path), "p", 20);

    path = path_of_length(3901);
    ASSERT_EQ(path.size(), 3901u);
    write_file(path, content);
    ASSERT_TRUE(file_exists(path));
    Outcome o = run_request(path);
    EXPECT_EQ(o.run.status, 2);
    EXPECT_EQ(o.run.err, "Quintar request error: Request path too long\n");
    EXPECT_FALSE(o.response_exists);
    EXPECT_FALSE(o.error_exists);
    EXPECT_FALSE(o.temporary_exists);
}

TEST(RequestProtocol, HostileContentIsAnsweredWithoutCrash) {
    std::mt19937 rng(20240607);
    std::string binary(1 << 16, '\0');
    for (char &c : binary) c = static_cast<char>(rng());
    std::string valid = kHead + "big\n300 1 0 1 1 0 1\nposition startpos\n";
    std::string prefs;
    while (prefs.size() < 4u << 20) prefs += "zzzz 1 2 and some noise to fill the line\n";
    const std::string no_newlines(3u << 20, 'a');

    struct Case {
        const char *name;
        std::string content;
        int status;          // -2: 0 or 2
        std::string prefix;  // expected start of the response, if any
    } cases[] = {
        {"binary", binary, -2, ""},
        {"binary after a valid header", kHead + "bin\n" + binary, 2, "bin\nERROR\n"},
        {"zero bytes in the token", kHead + std::string("\0tok\n", 5) + binary, 2, ""},
        {"no newlines", no_newlines, 2,
         std::string(127, 'a') + "\nERROR\nInvalid request header\n"},
        {"megabytes of preference lines", valid + prefs, 0, "big\nOK\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = run_content(c.content);
        if (c.status == -2)
            EXPECT_TRUE(o.run.status == 0 || o.run.status == 2) << o.run.status;
        else
            EXPECT_EQ(o.run.status, c.status);
        EXPECT_FALSE(o.temporary_exists);
        if (!c.prefix.empty()) {
            EXPECT_EQ(o.response.substr(0, c.prefix.size()), c.prefix);
        }
    }
}

}  // namespace
