// The UCI session: commands in-process (output, state kept or changed; the
// go limits: uci_go_limits_test); the real program on pipes (exact reply
// bytes, session ends, bad input, commands during a search, checked by the
// order of the replies, with time limits that only a hang reaches); behind
// Debian's polyglot adapter (skipped when not installed); and the sessions
// ChessX, Scid and PyChess hold, analyses checked by their form.
#include "tests/test_support.h"

namespace {

// Runs the lines through the session and returns everything they printed.
std::string handle(const std::vector<std::string> &lines) {
    return captured_stdout([&lines] { uci_send(lines); });
}

// The engine state, compared whole, with the history counters and key.
std::string snapshot() {
    return state_bytes() + PositionKey_s().v + "/" + std::to_string(moveCount) + "/" +
           std::to_string(positionCount);
}

// The state that set_fen(fen) and the moves give.
std::string expected_state(const char *fen, const std::vector<const char *> &moves) {
    reset_engine();
    EXPECT_EQ(set_fen(fen), 1) << fen;
    for (const char *m : moves) EXPECT_EQ(apply_uci(m), 1) << m;
    return snapshot();
}

const char kKings[] = "8/8/8/8/8/8/8/K6k w - - 0 1";
const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char kPromo[] = "8/4P3/8/8/8/8/8/K6k w - - 0 1";
const char kBadPos[] = "info string invalid position\n";
const char kBadMove[] = "info string invalid move in position\n";
const std::string kFenLine = "position fen ";

// Each line runs after "position fen" of two bare kings, so a position that
// is kept shows as those kings.
TEST(UciSession, PositionCommands) {
    const struct {
        const char *line, *output, *fen;  // the position afterwards: fen ...
        std::vector<const char *> moves;  // ... and these moves
    } cases[] = {
        {"position startpos", "", kStart, {}},
        {"position startpos moves   e2e4  e7e5  ", "", kStart, {"e2e4", "e7e5"}},
        {"position startpos moves ", "", kStart, {}},
        // An empty move list, as interfaces send it for a game without moves.
        {"position startpos moves", "", kStart, {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves", "", kPromo, {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves  ", "", kPromo, {}},
        // clang-format off
        {"position startpos moves e2e4 e7e6 e4e5 d7d5 e5d6", "", kStart, {"e2e4", "e7e6", "e4e5", "d7d5", "e5d6"}},
        {"position startpos moves g1f3 g8f6 g2g3 g7g6 f1g2 f8g7 e1g1", "", kStart, {"g1f3", "g8f6", "g2g3", "g7g6", "f1g2", "f8g7", "e1g1"}},
        // clang-format on
        {"position fen 8/8/8/8/8/8/8/k6K w - -", "", "8/8/8/8/8/8/8/k6K w - - 0 1", {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8n", "", kPromo, {"e7e8n"}},
        // Not "startpos" exactly, or a bad FEN: the old position stays.
        {"position startpos ", kBadPos, kKings, {}},
        {"position  startpos", kBadPos, kKings, {}},
        {"position startpos  moves", kBadPos, kKings, {}},
        {"position startpos moves\t", kBadPos, kKings, {}},
        {"position moves", kBadPos, kKings, {}},
        {"position fen moves", kBadPos, kKings, {}},
        // clang-format off
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1", kBadPos, kKings, {}},
        // clang-format on
        {"position fen 8/8/8/8/8/8/8/K6k x - - 0 1", kBadPos, kKings, {}},
        // A rejected move keeps the moves before it.
        {"position startpos moves e2e4 e7e5 e1e3 g1f3", kBadMove, kStart, {"e2e4", "e7e5"}},
        {"position startpos moves e7e5", kBadMove, kStart, {}},
        {"position startpos moves e2e4x", kBadMove, kStart, {}},
        {"position fen 8/4P3/8/8/8/8/8/K6k w - - 0 1 moves e7e8", kBadMove, kPromo, {}},
        // Not position commands at all.
        {"position", "", kKings, {}},
        {" position startpos", "", kKings, {}},
    };
    for (const auto &c : cases) {
        reset_engine();
        ASSERT_EQ(handle({kFenLine + kKings}), "");
        EXPECT_EQ(handle({c.line}), c.output) << c.line;
        const std::string got = snapshot();
        EXPECT_TRUE(got == expected_state(c.fen, c.moves)) << c.line;
    }
}

TEST(UciSession, HashOptionSwitchesTheEvaluationCache) {
    const std::pair<const char *, double> cases[] = {
        {"setoption name Hash value 0", 0},        {"setoption name Hash value 1", 1024},
        {"setoption name Hash value 16", 1024},    {"setoption name Hash value -5", 1024},
        {"setoption name Hash value", 0},          {"setoption name Hash value00", 0},
        {"setoption name Hash value 0 please", 0}, {"setoption name Hash value 4294967296", 1024},
    };
    for (const auto &c : cases)
        for (const char *from : {"setoption name Hash value 0", "setoption name Hash value 1"}) {
            reset_engine();
            handle({from});
            EXPECT_EQ(handle({c.first}), "");
            EXPECT_EQ(evalHashKB, c.second) << c.first << " after " << from;
        }
    // Other spellings are not the option.
    for (const char *line : {"setoption name hash value 0", "setoption name Hash  value 0",
                             "setoption Hash value 0"}) {
        reset_engine();
        handle({line});
        EXPECT_EQ(evalHashKB, 1024) << line;
    }
}

TEST(UciSession, NewGameRestoresTheStartPositionAndKeepsTheCacheSize) {
    for (double kb : {0.0, 1024.0}) {
        reset_engine();
        handle({kb == 0 ? "setoption name Hash value 0" : "setoption name Hash value 1",
                "position startpos moves e2e4 e7e5 g1f3"});
        EXPECT_EQ(handle({"ucinewgame"}), "");
        EXPECT_EQ(evalHashKB, kb);
        const std::string got = snapshot();
        EXPECT_TRUE(got == expected_state(kStart, {}));
        for (int i = 1; i <= 1000; i++) ASSERT_STREQ(positionHistory_s[i].v, "") << i;
    }
}

const char kUciReply[] =
    "id name Quintar Engine 1.0 Beta 1 - ZevivEzezoz Test\n"
    "id author Quintar project\n"
    "option name Hash type spin default 1 min 0 max 1\n"
    "uciok\n";

// Whole sessions whose every output byte is known.  The end of input ends
// the session unless the input says "quit" first.  (The replies to position
// and setoption lines: the in-process tests above.)
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

const char kPolyglot[] = "/usr/games/polyglot";

TEST(PolyglotSession, AdapterAndEngineAgreeOnMoves) {
    if (!file_exists(kPolyglot))
        GTEST_SKIP() << "polyglot not installed (apt-get install polyglot)";
    const std::string dir = make_temp_dir();
    write_file(dir + "/quintar.ini",
               "[PolyGlot]\nEngineDir = " + dir +
                   "\nEngineCommand = " QUINTAR_BIN "\nBook = false\nLog = true\nLogFile = " + dir +
                   "/polyglot.log\n[Engine]\nHash = 0\n");
    ChildProcess pg(std::vector<std::string>{kPolyglot, dir + "/quintar.ini"});
    ASSERT_TRUE(pg.started());
    std::string line;
    pg.send("xboard\nprotover 2");
    ASSERT_TRUE(pg.read_until("feature done=1", &line, 10000));
    pg.send("new\nsd 3");

    reset_engine();  // White's moves come from this engine's own depth-1 search
    for (int turn = 0; turn < 5; turn++) {
        search_position(1);
        const std::string mine = computerBestMove_s.v;
        ASSERT_EQ(apply_uci(mine.c_str()), 1);
        pg.send("usermove " + mine);
        ASSERT_TRUE(pg.read_until("move ", &line, 20000)) << "after " << mine;
        const std::string reply = line.substr(5);
        EXPECT_EQ(apply_uci(reply.c_str()), 1) << "engine's " << reply << " after " << mine;
    }
    pg.send("quit");
    EXPECT_EQ(pg.wait_exit(10000), 0);

    const std::string log = read_file(dir + "/polyglot.log");
    for (const char *entry :
         {"Engine->Adapter: id name Quintar Engine", "Engine->Adapter: bestmove ",
          "Adapter->Engine: setoption name Hash value 0", "Child exited with status 0"})
        EXPECT_NE(log.find(entry), std::string::npos) << entry << "\n" << log;
    EXPECT_EQ(log.find("Illegal"), std::string::npos);  // nor any "Illegal move" reply
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

using Clock = ChildProcess::Clock;

// A reply or an exit that takes this long is a hang, however busy the machine.
constexpr int kHangMs = 60000;

// Reads the next line and checks that it begins with prefix.
void expect_line(ChildProcess &p, const std::string &prefix) {
    std::string line;
    ASSERT_TRUE(p.read_line(&line, kHangMs)) << "waiting for " << prefix;
    EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
}

// The lines of one search as they come, with the "readyok" replies that
// may come between them taken out.
struct SearchOutput {
    std::vector<std::string> lines;  // info lines, then the bestmove line
    int readyok = 0;
    Clock::time_point lastAt;  // when the last line arrived
};

// Reads lines into out until one begins with prefix (true), or until no
// such line came within timeout_ms (false).
bool collect(ChildProcess &p, SearchOutput *out, const std::string &prefix, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (std::string line;;) {
        const int left = ChildProcess::ms_until(deadline);
        if (left <= 0 || !p.read_line(&line, left, &out->lastAt)) return false;
        if (line == "readyok")
            out->readyok++;
        else
            out->lines.push_back(line);
        if (line.rfind(prefix, 0) == 0) return true;
    }
}

// The output of one search, up to its bestmove line.
SearchOutput read_search(ChildProcess &p) {
    SearchOutput out;
    EXPECT_TRUE(collect(p, &out, "bestmove ", kHangMs)) << "no bestmove";
    return out;
}

const char kInfoLine[] =
    ("info depth ([0-9]+) score ((cp|mate) -?[0-9]+) nodes ([0-9]+) time [0-9]+ nps [0-9]+ "
     "pv ([a-h][1-8][a-h][1-8][qrbn]?)");

// Checks the lines of one "go" in the position `fen` after `moves`: with
// `infinite`, info lines of depths 1, 2, ... in order (as many as the
// search finished), then the result line, which repeats the last one's
// depth, score and move; otherwise the result line alone.  Then exactly one
// bestmove, a legal move of the side to move, which the result names.
void expect_search(const std::vector<std::string> &lines, bool infinite, const char *fen,
                   const std::vector<const char *> &moves = {}) {
    SCOPED_TRACE(kFenLine + fen);
    ASSERT_GE(lines.size(), 2u);
    if (!infinite) {
        EXPECT_EQ(lines.size(), 2u) << lines[0];
    }
    std::vector<std::string> m, last;
    for (size_t i = 0; i + 1 < lines.size(); ++i, last = m) {
        SCOPED_TRACE(lines[i]);
        ASSERT_TRUE(regex_matches(lines[i], kInfoLine, &m));
        if (!infinite) continue;
        // The result repeats the deepest finished iteration.
        const bool result = i + 2 == lines.size();
        EXPECT_EQ(std::stoi(m[1]), static_cast<int>(result ? i : i + 1));
        if (i == 0) continue;
        EXPECT_GE(std::stoll(m[4]), std::stoll(last[4]) + (result ? 0 : 1));  // nodes
        if (result) {
            EXPECT_EQ(m[2] + " " + m[5], last[2] + " " + last[5]);  // score, move
        }
    }
    const std::string best = lines.back();
    ASSERT_EQ(best.rfind("bestmove ", 0), 0u) << best;
    const std::string move = best.substr(9);
    EXPECT_EQ(move, last[5]);
    load_fen(fen);
    for (const char *mv : moves) ASSERT_EQ(apply_uci(mv), 1) << mv;
    EXPECT_EQ(apply_uci(move.c_str()), 1) << move << " is no move of the side to move";
}

// Ends the session by "quit" or the end of input: status 0, and nothing
// printed but the result of the infinite search `running` (in `fen` after
// `moves`), when one still runs.
void expect_quiet_end(ChildProcess &p, bool by_quit = true, SearchOutput *running = nullptr,
                      const char *fen = kStart, const std::vector<const char *> &moves = {}) {
    if (by_quit) {
        p.send("quit");
    } else {
        p.close_input();
    }
    EXPECT_EQ(p.wait_exit(kHangMs), 0);
    if (running) {
        EXPECT_TRUE(collect(p, running, "bestmove ", kHangMs));
        expect_search(running->lines, true, fen, moves);
    }
    EXPECT_EQ(p.pending(), "");
    EXPECT_EQ(p.errors(), "");
}

// An infinite search prints nothing before "stop", so a readyok read first
// was answered during the search.
TEST(UciConcurrency, IsreadyAnswersAtOnceAndTheSearchGoesOn) {
    ChildProcess p;
    p.send("go infinite");
    pause_ms(300);
    p.send("isready");
    SearchOutput out;
    ASSERT_TRUE(collect(p, &out, "readyok", kHangMs));
    // An infinite search never ends by itself.
    EXPECT_FALSE(collect(p, &out, "bestmove ", 300)) << "the search stopped";
    p.send("stop");
    ASSERT_TRUE(collect(p, &out, "bestmove ", kHangMs));
    EXPECT_EQ(out.readyok, 1);
    expect_search(out.lines, true, kStart);
    expect_quiet_end(p);
}

TEST(UciConcurrency, SecondGoPrintsTheFirstResultBeforeItStarts) {
    ChildProcess p;
    p.send("go infinite");
    pause_ms(200);
    p.send("go infinite");
    SearchOutput first = read_search(p);
    expect_search(first.lines, true, kStart);
    SearchOutput second;
    EXPECT_FALSE(collect(p, &second, "bestmove ", 300)) << "the second search stopped";
    EXPECT_LT(first.lastAt, p.send("stop"));
    ASSERT_TRUE(collect(p, &second, "bestmove ", kHangMs));
    expect_search(second.lines, true, kStart);
    expect_quiet_end(p, false);
}

// The end of input during an infinite search: the result is printed and
// the process ends with status 0 (an infinite search left running would
// never end it).  "quit" during one: GuiTranscripts.ChessX.
TEST(UciConcurrency, EndOfInputDuringAnInfiniteSearch) {
    ChildProcess p;
    p.send("position startpos moves e2e4\ngo infinite");
    pause_ms(300);
    SearchOutput out;
    expect_quiet_end(p, false, &out, kStart, {"e2e4"});
}

// A position line that just fits the line buffer, then a search of it.
TEST(UciProtocol, LongestPositionLineThenGo) {
    ChildProcess p;
    p.send("position startpos moves e2e4" + std::string(16383 - 28, ' ') + "\ngo depth 1");
    expect_search(read_search(p).lines, false, kStart, {"e2e4"});
    expect_quiet_end(p);
}

// Commands that change engine state stop the running search first and
// print its result before they act.
TEST(UciConcurrency, StateChangingCommandsStopTheSearch) {
    for (const char *command : {"ucinewgame", "setoption name Hash value 0", "position fen junk"}) {
        SCOPED_TRACE(command);
        ChildProcess p;
        p.send("go infinite");
        pause_ms(150);
        p.send(std::string(command) + "\nisready");
        expect_search(read_search(p).lines, true, kStart);
        if (std::string(command) == "position fen junk")
            expect_line(p, "info string invalid position");
        expect_line(p, "readyok");
        expect_quiet_end(p);
    }
}

// Sessions as chess interfaces really hold them, from their engine logs.
// Analyses are stopped once their first depth is shown, so that what is
// checked does not depend on how deep the machine gets.

// Starts an infinite analysis and waits for its first depth.
SearchOutput start_analysis(ChildProcess &p) {
    SearchOutput out;
    p.send("go infinite");
    EXPECT_TRUE(collect(p, &out, "info depth 1 ", kHangMs)) << "no depth 1 line";
    return out;
}

// Waits for "readyok": everything a search printed has come before it.
void expect_nothing_more(ChildProcess &p) {
    p.send("isready");
    expect_line(p, "readyok");
    EXPECT_EQ(p.pending(), "");
}

const char kItalian[] = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";
const char kScotch[] = "r1bqkbnr/pppp1ppp/2n5/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq d3 0 3";

// ChessX: a fixed-time analysis (its default), then an infinite one that
// its Stop button ends with "quit".
TEST(GuiTranscripts, ChessX) {
    ChildProcess p;
    p.send("uci");
    for (const char *line : {"id name ", "id author ", "option name Hash ", "uciok"})
        expect_line(p, line);
    p.send("setoption name Hash value 0");
    expect_nothing_more(p);
    p.send(kFenLine + kStart + "\ngo movetime 3000");
    expect_search(read_search(p).lines, false, kStart);
    p.send(kFenLine + kItalian);
    SearchOutput out = start_analysis(p);
    expect_quiet_end(p, true, &out, kItalian);
}

// Scid: infinite analyses stopped by "stop", after 1.e4 and at the start of
// a game, where the move list is empty.  The second must analyse the start
// position for White, not the old position for Black.
TEST(GuiTranscripts, Scid) {
    ChildProcess p;
    p.send("setoption name Hash value 1");
    const struct {
        const char *position;
        std::vector<const char *> moves;
    } analyses[] = {{"position startpos moves e2e4", {"e2e4"}},
                    {"position startpos moves", {}},
                    {"position startpos moves e2e4", {"e2e4"}}};
    for (const auto &a : analyses) {
        SCOPED_TRACE(a.position);
        p.send(a.position);
        SearchOutput out = start_analysis(p);
        p.send("stop");
        ASSERT_TRUE(collect(p, &out, "bestmove ", kHangMs));
        expect_search(out.lines, true, kStart, a.moves);
    }
    expect_nothing_more(p);
    expect_quiet_end(p);
}

// PyChess: a fixed-time search stopped at once gives one result line and
// one bestmove; its infinite analysis is ended by the next position.
TEST(GuiTranscripts, PyChess) {
    ChildProcess p;
    p.send("uci");
    std::string line;
    ASSERT_TRUE(p.read_until("uciok", &line, kHangMs));
    p.send("ucinewgame");
    expect_nothing_more(p);
    p.send("position startpos moves e2e4 e7e5 g1f3\ngo movetime 3000\nstop");
    expect_search(read_search(p).lines, false, kStart, {"e2e4", "e7e5", "g1f3"});
    expect_nothing_more(p);
    p.send(kFenLine + kScotch);
    SearchOutput out = start_analysis(p);
    p.send(kFenLine + kItalian);
    ASSERT_TRUE(collect(p, &out, "bestmove ", kHangMs));
    expect_search(out.lines, true, kScotch);
    p.send("go movetime 3000\nstop");
    expect_search(read_search(p).lines, false, kItalian);
    expect_nothing_more(p);
    expect_quiet_end(p);
}

}  // namespace
