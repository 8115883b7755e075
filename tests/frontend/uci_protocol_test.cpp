// The real program on pipes, as an interface drives it: the exact bytes of
// every reply, how the session ends, and input no interface should send.
#include "test_support.h"
#include "uci_test_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kUciReply[] =
    "id name Quintar Engine 1.0 Beta 1 - ZevivEzezoz Test\n"
    "id author Quintar project\n"
    "option name Hash type spin default 1 min 0 max 1\n"
    "uciok\n";

struct Case {
    const char *name;
    std::string input;
    std::string output;
};

std::string lines_beginning(const std::string &out, const std::string &prefix) {
    std::string r;
    for (size_t pos = 0; pos < out.size();) {
        size_t nl = out.find('\n', pos);
        std::string line = out.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (line.compare(0, prefix.size(), prefix) == 0) r += line + "\n";
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return r;
}

}  // namespace

// Whole sessions whose every output byte is known.  The input ends without
// "quit" unless the case says so; the end of input ends the session.
TEST(UciProtocol, ExactRepliesOfWholeSessions) {
    const std::string long_x(100000, 'x');
    std::string binary;
    for (int i = 0; i < 256; i++)
        if (i != '\n') binary += static_cast<char>(i);
    // A line of exactly 16383 bytes still fits the line buffer.
    std::string fits = "position startpos moves e2e4";
    fits += std::string(16383 - fits.size(), ' ');
    std::string too_long = fits + " ";

    const std::vector<Case> cases = {
        {"uci", "uci\n", kUciReply},
        {"uci with CRLF", "uci\r\nisready\r\n", std::string(kUciReply) + "readyok\n"},
        {"isready", "isready\n", "readyok\n"},
        {"stop without search", "stop\nstop\n", ""},
        {"quit", "quit\nisready\n", ""},
        {"quit needs the whole line", "quit \nquitx\nexit\nisready\n", "readyok\n"},
        {"commands are whole lines", "uci \nUCI\nisready now\n isready\n", ""},
        {"empty input", "", ""},
        {"empty lines", "\n\n\r\n\n\nisready\n\n", "readyok\n"},
        {"no final newline", "isready", "readyok\n"},
        {"unknown commands", "debug on\nregister later\nponderhit\nucinewgame\nisready\n",
         "readyok\n"},
        {"position startpos with trailing space", "position startpos \n",
         "info string invalid position\n"},
        {"position with a bad FEN", "position fen 8/8/8 w - - 0 1\n",
         "info string invalid position\n"},
        {"position with an illegal move", "position startpos moves e2e4 e7e5 e1e3\n",
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
        // A longer line is read in pieces of 16383 bytes, each handled as a
        // line of its own.
        {"overlong line with a command at the cut", std::string(16383, 'x') + "isready\nisready\n",
         "readyok\nreadyok\n"},
        {"overlong position line", too_long + "\nisready\n", "readyok\n"},
        {"overlong position line cut inside a move",
         "position startpos moves" + std::string(16383 - 25, ' ') + "e2e4\nisready\n",
         "info string invalid move in position\nreadyok\n"},
        {"longest position line", fits + "\nisready\n", "readyok\n"},
    };
    for (const Case &c : cases) {
        RunResult r = run_program(QUINTAR_BIN, {}, c.input, 20000);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.out, c.output) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

// Sessions with a search: the result lines are checked for their form and
// for the side they move.
TEST(UciProtocol, SearchResultsOfWholeSessions) {
    struct SearchCase {
        const char *name;
        std::string input;
        const char *bestmoves;  // the bestmove lines, "?" for any move
        int infos;
    };
    const std::vector<SearchCase> cases = {
        {"depth 1 then end of input", "position startpos moves e2e4 e7e5\ngo depth 1\n",
         "bestmove ?\n", 1},
        {"go infinite then quit", "go infinite\nquit\n", "bestmove ?\n", 1},
        {"go infinite then end of input", "go infinite\n", "bestmove ?\n", 1},
        {"go then go", "go infinite\ngo depth 1\n", "bestmove ?\nbestmove ?\n", 2},
        {"mated side",
         "position fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\n"
         "go depth 2\n",
         "bestmove 0000\n", 1},
        {"stalemated side", "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 2\n",
         "bestmove 0000\n", 1},
        {"longest position line then go",
         "position startpos moves e2e4" + std::string(16383 - 28, ' ') + "\ngo depth 1\n",
         "bestmove ?\n", 1},
    };
    for (const SearchCase &c : cases) {
        RunResult r = run_program(QUINTAR_BIN, {}, c.input, 60000);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
        std::string best = lines_beginning(r.out, "bestmove ");
        std::string want = c.bestmoves;
        // Any move text of 4 or 5 characters stands for "?".
        std::string shape;
        for (size_t pos = 0; pos < best.size();) {
            size_t nl = best.find('\n', pos);
            std::string m = best.substr(pos + 9, nl - pos - 9);
            shape += (want.find('?') != std::string::npos && m != "0000" &&
                      (m.size() == 4 || m.size() == 5))
                         ? "bestmove ?\n"
                         : "bestmove " + m + "\n";
            pos = nl + 1;
        }
        EXPECT_EQ(shape, want) << c.name << "\n" << r.out;
        std::string infos = lines_beginning(r.out, "info depth ");
        EXPECT_EQ(std::count(infos.begin(), infos.end(), '\n'), c.infos) << c.name << "\n" << r.out;
        // Nothing but result lines.
        EXPECT_EQ(infos.size() + best.size(), r.out.size()) << c.name << "\n" << r.out;
    }
}

// The end of input stops a search, so these keep the input open until the
// result has come.
TEST(UciProtocol, DepthOneSearchMovesForTheSideToMove) {
    struct SideCase {
        const char *moves;
        const char *own_ranks;  // ranks the side's pieces stand on
    };
    for (const SideCase &c : std::vector<SideCase>{{"e2e4 e7e5", "1234"}, {"e2e4", "5678"}}) {
        UciProcess p;
        p.send(std::string("position startpos moves ") + c.moves);
        p.send("go depth 1");
        std::string info, best;
        ASSERT_TRUE(p.read_line(&info, 10000));
        ASSERT_TRUE(p.read_line(&best, 10000));
        EXPECT_EQ(info.rfind("info depth 1 score cp ", 0), 0u) << info;
        ASSERT_EQ(best.size(), 13u) << best;
        EXPECT_EQ(best.rfind("bestmove ", 0), 0u) << best;
        EXPECT_NE(std::string(c.own_ranks).find(best[10]), std::string::npos) << best;
        EXPECT_EQ(info.substr(info.size() - 8), " pv " + best.substr(9, 4)) << info;
        p.send("quit");
        EXPECT_EQ(p.wait_exit(5000), 0);
        EXPECT_EQ(p.pending(), "");
        EXPECT_EQ(p.errors(), "");
    }
}
