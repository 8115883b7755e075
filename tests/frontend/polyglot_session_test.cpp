// The engine behind Debian's polyglot adapter, as xboard uses it: the
// adapter translates the xboard commands into UCI, passes the Hash option,
// and accepts the engine's moves.  Skipped when polyglot is not installed
// (apt-get install polyglot).
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kPolyglot[] = "/usr/games/polyglot";

// The first of the wanted moves that is legal for White, else the first
// legal move in board order.
std::string white_reply(const std::vector<const char *> &wanted) {
    State saved = state_get();
    for (const char *m : wanted) {
        if (apply_uci(m)) {
            state_put(&saved);
            return m;
        }
    }
    for (int fy = 0; fy < 8; fy++)
        for (int fx = 0; fx < 8; fx++)
            for (int ty = 0; ty < 8; ty++)
                for (int tx = 0; tx < 8; tx++) {
                    char m[5] = {static_cast<char>('a' + fx), static_cast<char>('8' - fy),
                                 static_cast<char>('a' + tx), static_cast<char>('8' - ty), 0};
                    if (PieceColor(board[fx][fy]) == 1 && IsMoveValid(fx, fy, tx, ty)) return m;
                }
    return "";
}

}  // namespace

TEST(PolyglotSession, AdapterAndEngineAgreeOnMoves) {
    if (!file_exists(kPolyglot))
        GTEST_SKIP() << "polyglot not installed (apt-get install polyglot)";
    std::string dir = make_temp_dir();
    write_file(dir + "/quintar.ini",
               "[PolyGlot]\n"
               "EngineDir = " +
                   dir +
                   "\n"
                   "EngineCommand = " QUINTAR_BIN
                   "\n"
                   "Book = false\n"
                   "Log = true\n"
                   "LogFile = " +
                   dir +
                   "/polyglot.log\n"
                   "[Engine]\n"
                   "Hash = 0\n");
    ChildProcess pg(std::vector<std::string>{kPolyglot, dir + "/quintar.ini"});
    ASSERT_TRUE(pg.started());
    std::string line;
    pg.send("xboard");
    pg.send("protover 2");
    ASSERT_TRUE(pg.read_until("feature done=1", &line, 10000));
    pg.send("new");
    pg.send("sd 3");

    reset_engine();
    const std::vector<const char *> plan = {"e2e4", "d2d4", "g1f3", "b1c3", "f1c4", "c1e3"};
    for (int turn = 0; turn < 5; turn++) {
        std::string mine = white_reply({plan[turn], plan[turn + 1]});
        ASSERT_FALSE(mine.empty());
        ASSERT_EQ(apply_uci(mine.c_str()), 1);
        pg.send("usermove " + mine);
        std::vector<std::string> other;
        ASSERT_TRUE(pg.read_until("move ", &line, 20000, nullptr, &other)) << "after " << mine;
        for (const std::string &o : other) {
            EXPECT_EQ(o.find("Illegal"), std::string::npos) << o;
            EXPECT_EQ(o.find("Error"), std::string::npos) << o;
        }
        std::string reply = line.substr(5);
        EXPECT_EQ(apply_uci(reply.c_str()), 1) << "engine's " << reply << " after " << mine;
    }
    pg.send("quit");
    EXPECT_EQ(pg.wait_exit(10000), 0);

    std::string log = read_file(dir + "/polyglot.log");
    EXPECT_NE(log.find("Engine->Adapter: id name Quintar Engine"), std::string::npos);
    EXPECT_NE(log.find("Adapter->Engine: setoption name Hash value 0"), std::string::npos);
    EXPECT_NE(log.find("Engine->Adapter: bestmove "), std::string::npos);
    EXPECT_EQ(log.find("Illegal"), std::string::npos);
    EXPECT_NE(log.find("Child exited with status 0"), std::string::npos) << log;
}
