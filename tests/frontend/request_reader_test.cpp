// The request reader, the parameter and preference handling and the exact
// bytes of both response forms, driven in-process on file contents.
#include "frontend/request_mode.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string kHead = "QUINTAR_C_REQUEST_1\n";
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
    EXPECT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    rewind(f);
    ReadResult out;
    const char *failure = request_read(f, &out.r);
    fclose(f);
    out.failure = failure ? failure : "";
    return out;
}

// Everything request_write_response writes for `r`.
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
    struct Case {
        const char *line;
        bool in_range;
    } cases[] = {
        {"1 1 0 1 1 0 1", true},
        {"300000 1 0 1 1 0 1", true},
        {"1000 8 0 1 1 0 1", true},
        {"1000 1 512 1 1 0 1", true},
        {"1000 1 1024 1 1 0 1", true},
        {"1e3 1 0 1 1 0 1", true},
        {"  1000\t1 \t0 1 1 0 1   trailing words", true},
        {"1000 1 0 -5 7 123456 -1", true},
        {"0.5 4 0 1 1 0 1", false},
        {"0 4 0 1 1 0 1", false},
        {"-1000 4 0 1 1 0 1", false},
        {"300000.5 4 0 1 1 0 1", false},
        {"nan 4 0 1 1 0 1", false},
        {"inf 4 0 1 1 0 1", false},
        {"1000 9 0 1 1 0 1", false},
        {"1000 0 0 1 1 0 1", false},
        {"1000 -1 0 1 1 0 1", false},
        {"1000 4294967297 0 1 1 0 1", false},
        {"1000 8 256 1 1 0 1", false},
        {"1000 8 1 1 1 0 1", false},
        {"1000 8 -512 1 1 0 1", false},
        {"1000 8 2048 1 1 0 1", false},
    };
    for (const auto &c : cases) {
        ReadResult got = read_request(kHead + "t\n" + c.line + "\n" + kStart);
        EXPECT_EQ(got.failure, c.in_range ? "" : "Search parameters out of range") << c.line;
    }
}

TEST(RequestReader, ParametersAreStoredAsTheyCome) {
    ReadResult got = read_request(kHead + "t\n1500 1 512 0 7 -3 0\n" + kStart);
    ASSERT_EQ(got.failure, "");
    EXPECT_EQ(got.r.ms, 1500);
    EXPECT_EQ(got.r.depth, 1);
    EXPECT_EQ(got.r.hash, 512);
    EXPECT_EQ(got.r.move_cache, 0);
    EXPECT_EQ(got.r.pawn_cache, 7);
    EXPECT_EQ(got.r.learning, -3);
    EXPECT_EQ(got.r.endok, 0);

    request_search(got.r);
    EXPECT_EQ(computerDepth, 1);
    EXPECT_EQ(computerThinkSeconds, 1.5);
    EXPECT_EQ(evalHashKB, 512);
    EXPECT_EQ(moveHashEnabled, 0);
    EXPECT_EQ(pawnCacheEnabled, 7);
    EXPECT_EQ(learningEnabled, -3);
    EXPECT_EQ(endLearnFileOK, 0);
    EXPECT_EQ(computerPlayer, 1);
    EXPECT_GE(computerBestFromX, 0);
}

TEST(RequestReader, TokenBoundaries) {
    const std::string t127(127, 'T');
    struct Case {
        std::string token_line, token, failure;
    } cases[] = {
        {"x\n", "x", ""},
        {t127 + "\n", t127, ""},
        {t127 + "\r\n", t127, ""},
        {std::string(126, 'T') + "\r\n", std::string(126, 'T'), ""},
        {std::string(125, 'T') + "\r\n", std::string(125, 'T'), ""},
        // a longer line gives its first 127 bytes; the rest is the parameter line
        {t127 + "U\n", t127, "Invalid search parameters"},
        {t127 + kParams, t127, ""},
        {t127 + "\r" + kParams, t127, "Invalid search parameters"},
    };
    for (const Case &c : cases) {
        bool spilled = c.token_line.size() > 128 && c.token_line.find(kParams) != std::string::npos;
        std::string text = kHead + c.token_line + (spilled ? "" : kParams) + kStart;
        ReadResult got = read_request(text);
        EXPECT_EQ(got.failure, c.failure) << c.token_line;
        EXPECT_EQ(std::string(got.r.token), c.token) << c.token_line;
    }
}

TEST(RequestReader, CarriageReturnLineEnds) {
    ReadResult got = read_request(
        "QUINTAR_C_REQUEST_1\r\ntok\r\n1000 2 0 1 1 0 1\r\nposition startpos moves e2e4\r\n"
        "e7e5 3 4\r\n");
    ASSERT_EQ(got.failure, "");
    EXPECT_STREQ(got.r.token, "tok");
    EXPECT_EQ(got.r.depth, 2);
    EXPECT_TRUE(got.r.position_valid);
    EXPECT_EQ(currentPlayer, 2);
    ASSERT_EQ(pref_count, 1);
    EXPECT_STREQ(pref_move[0], "e7e5");
}

TEST(RequestReader, PositionLines) {
    struct Case {
        const char *line;
        bool valid;
        int side_to_move;
    } cases[] = {
        {"position startpos", true, 1},
        {"position startpos moves", true, 1},
        {"position startpos moves ", true, 1},
        {"position startpos moves e2e4", true, 2},
        {"position startpos moves e2e4 e7e5", true, 1},
        {"position startpos moves   e2e4    e7e5   ", true, 1},
        {"position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6", true, 1},
        {"position startpos moves e2e5", false, 0},
        {"position startpos moves e2e4 e2e4", false, 0},
        {"position startpos moves e2e4\te7e5", false, 0},
        {"position startpos moves e2e4 xyz e7e5", false, 0},
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false, 0},
        {"Position startpos", false, 0},
        {" position startpos", false, 0},
        {"position", false, 0},
        {"", false, 0},
    };
    for (const auto &c : cases) {
        ReadResult got = read_request(kHead + "t\n" + kParams + c.line + "\n");
        ASSERT_EQ(got.failure, "") << c.line;
        EXPECT_EQ(got.r.position_valid, c.valid) << c.line;
        if (c.valid) {
            EXPECT_EQ(currentPlayer, c.side_to_move) << c.line;
        }
    }
    // the moves are really played: after 1.e4 e5 both pawns stand on their new squares
    ReadResult got = read_request(kHead + "t\n" + kParams + "position startpos moves e2e4 e7e5\n");
    ASSERT_TRUE(got.r.position_valid);
    EXPECT_EQ(board[4][4], 1);   // white pawn on e4
    EXPECT_EQ(board[4][3], 11);  // black pawn on e5
    EXPECT_EQ(board[4][6], 0);   // e2 empty
    EXPECT_EQ(board[4][1], 0);   // e7 empty
}

TEST(RequestReader, PreferenceTable) {
    std::string prefs =
        "e2e4 5 1\n"
        "e2e4 5\n"  // two fields: skipped
        "d2d4 -2.5 0.25\n"
        "\n"
        "abcdefgh 1 1\n"  // eight characters: the value scan fails, skipped
        "e7e8q 1e2 -3\n"
        "g1f3 x 1\n";
    ReadResult got = read_request(kHead + "t\n" + kParams + kStart + prefs);
    ASSERT_EQ(got.failure, "");
    ASSERT_EQ(pref_count, 3);
    EXPECT_STREQ(pref_move[0], "e2e4");
    EXPECT_EQ(pref_value[0], 5);
    EXPECT_EQ(pref_bonus[0], 1);
    EXPECT_STREQ(pref_move[1], "d2d4");
    EXPECT_EQ(pref_value[1], -2.5);
    EXPECT_EQ(pref_bonus[1], 0.25);
    EXPECT_STREQ(pref_move[2], "e7e8q");
    EXPECT_EQ(pref_value[2], 100);
    EXPECT_EQ(pref_bonus[2], -3);

    // 300 lines keep the first 256, in file order
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "m" + std::to_string(i) + " " + std::to_string(i) + " 0\n";
    got = read_request(kHead + "t\n" + kParams + kStart + many);
    ASSERT_EQ(got.failure, "");
    ASSERT_EQ(pref_count, 256);
    EXPECT_STREQ(pref_move[0], "m0");
    EXPECT_STREQ(pref_move[255], "m255");
    EXPECT_EQ(pref_value[255], 255);

    // preference lines are read for an invalid position too
    got = read_request(kHead + "t\n" + kParams + "position startpos moves e2e5\ne2e4 1 2\n");
    EXPECT_FALSE(got.r.position_valid);
    EXPECT_EQ(pref_count, 1);
}

TEST(RequestReader, LongLinesSpillIntoTheNextRead) {
    // A position line longer than a line buffer: its tail is read as a
    // preference line and the move list stops where the buffer ends.
    std::string moves = "position startpos moves";
    while (moves.size() < 16383) moves += " ";
    moves += "e2e4 9 9";
    ReadResult got = read_request(kHead + "t\n" + kParams + moves + "\n");
    ASSERT_EQ(got.failure, "");
    EXPECT_TRUE(got.r.position_valid);
    EXPECT_EQ(currentPlayer, 1);
    ASSERT_EQ(pref_count, 1);
    EXPECT_STREQ(pref_move[0], "e2e4");
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
    std::string expected =
        "my token\nOK\ne7e8q\n-12.5\n3\n123456789012\n16\n1\n20\n"
        "1 0 7 2 5 16\n1 1 6 2 5 16\n0 2 5 2 5 0\n0 3 4 2 5 0\n0 4 3 2 5 0\n0 5 2 2 5 0\n"
        "0 6 1 2 5 0\n0 7 0 2 5 0\n0 8 7 2 5 0\n0 9 6 2 5 0\n0 10 5 2 5 0\n0 11 4 2 5 0\n";
    EXPECT_EQ(response_text(got.r), expected);

    computerScore = 899997;
    computerReachedDepth = 8;
    std::string text = response_text(got.r);
    EXPECT_EQ(text.substr(0, 30), "my token\nOK\ne7e8q\n899997\n8\n123");
}

TEST(RequestReader, ErrorResponseBytes) {
    const std::string kError = "tok\nERROR\nKeine gueltige Stellung oder kein legaler Zug\n";
    ReadResult got = read_request(kHead + "tok\n" + kParams + kStart);
    computerBestFromX = -1;  // the search found no move
    EXPECT_EQ(response_text(got.r), kError);

    got = read_request(kHead + "tok\n" + kParams + "position startpos moves e2e5\n");
    computerBestFromX = 4;  // a move from an earlier search is not an answer
    EXPECT_EQ(response_text(got.r), kError);
}

}  // namespace
