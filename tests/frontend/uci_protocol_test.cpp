// The real program on pipes, as an interface drives it: the exact bytes of
// every reply, how the session ends, and input no interface should send.
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

const char kUciReply[] =
    "id name Quintar Engine 1.0 Beta 1 - ZevivEzezoz Test\n"
    "id author Quintar project\n"
    "option name Hash type spin default 1 min 0 max 1\n"
    "uciok\n";

// Whole sessions whose every output byte is known.  The end of input ends
// the session unless the input says "quit" first.
TEST(UciProtocol, ExactRepliesOfWholeSessions) {
    const std::string long_x(100000, 'x');
    std::string binary;
    for (int i = 0; i < 256; i++)
        if (i != '\n') binary += static_cast<char>(i);
    // A line of exactly 16383 bytes still fits the line buffer; longer ones
    // are read in pieces of 16383 bytes, each handled as a line of its own.
    std::string fits = "position startpos moves e2e4";
    fits += std::string(16383 - fits.size(), ' ');
    const struct {
        const char *name;
        std::string input, output;
    } cases[] = {
        {"uci", "uci\n", kUciReply},
        {"uci with CRLF", "uci\r\nisready\r\n", std::string(kUciReply) + "readyok\n"},
        {"stop without search", "stop\nstop\n", ""},
        {"quit", "quit\nisready\n", ""},
        {"quit needs the whole line", "quit \nquitx\nexit\nisready\n", "readyok\n"},
        {"commands are whole lines", "uci \nUCI\nisready now\n isready\n", ""},
        {"empty lines", "\n\n\r\n\n\nisready\n\n", "readyok\n"},
        {"no final newline", "isready", "readyok\n"},
        {"unknown commands", "debug on\nregister later\nponderhit\nisready\n", "readyok\n"},
        {"startpos with trailing space", "position startpos \n", "info string invalid position\n"},
        {"bad FEN", "position fen 8/8/8 w - - 0 1\n", "info string invalid position\n"},
        {"illegal move", "position startpos moves e2e4 e7e5 e1e3\n",
         "info string invalid move in position\n"},
        {"setoption", "setoption name Hash value 0\nsetoption name Hash value 1\nisready\n",
         "readyok\n"},
        {"100000-byte line", long_x + "\nisready\n", "readyok\n"},
        {"100000-byte line at the end of input", long_x, ""},
        {"binary bytes", binary + "\n" + binary + "\nisready\n", "readyok\n"},
        {"NUL inside a command", std::string("isready\0quit\n", 13) + "isready\n",
         "readyok\nreadyok\n"},
        {"carriage returns", "\r\r\risready\r\n", ""},
        {"carriage return cuts the line", "isready\rquit\nisready\n", "readyok\nreadyok\n"},
        {"command at the cut", std::string(16383, 'x') + "isready\nisready\n",
         "readyok\nreadyok\n"},
        {"longest position line", fits + "\nisready\n", "readyok\n"},
        {"overlong position line", fits + " \nisready\n", "readyok\n"},
        {"overlong position line cut inside a move",
         "position startpos moves" + std::string(16383 - 25, ' ') + "e2e4\nisready\n",
         "info string invalid move in position\nreadyok\n"},
    };
    for (const auto &c : cases) {
        RunResult r = run_program(QUINTAR_BIN, {}, c.input, 20000);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.out, c.output) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

// Sessions with searches: nothing but info and bestmove lines.
TEST(UciProtocol, SearchResultsOfWholeSessions) {
    // A result whose move starts on the given ranks.
    auto from = [](const std::string &ranks) {
        return "info depth [0-9]+ score (cp|mate) -?[0-9]+ nodes [0-9]+ time [0-9]+ nps [0-9]+ "
               "pv [a-h][1-8][a-h][1-8][qrbn]?\nbestmove [a-h][" +
               ranks + "][a-h][1-8][qrbn]?\n";
    };
    const std::string any = from("1-8");
    const std::string none = " nodes 0 time [0-9]+ nps 0 pv \nbestmove 0000\n";
    const struct {
        const char *name;
        std::string input, pattern;
    } cases[] = {
        {"White to move", "position startpos moves e2e4 e7e5\ngo depth 1\n", from("1-4")},
        {"Black to move", "position startpos moves e2e4\ngo depth 1\n", from("5-8")},
        {"go infinite then quit", "go infinite\nquit\n", any},
        {"go infinite then end of input", "go infinite\n", any},
        {"go then go", "go infinite\ngo depth 1\n", any + any},
        {"mated side",
         "position fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\ngo depth 2\n",
         "info depth 0 score mate 0" + none},
        {"stalemated side", "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 2\n",
         "info depth 0 score cp 0" + none},
        {"longest position line then go",
         "position startpos moves e2e4" + std::string(16383 - 28, ' ') + "\ngo depth 1\n", any},
    };
    for (const auto &c : cases) {
        RunResult r = run_program(QUINTAR_BIN, {}, c.input, 60000);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
        EXPECT_TRUE(std::regex_match(r.out, std::regex(c.pattern))) << c.name << "\n" << r.out;
    }
}

}  // namespace
