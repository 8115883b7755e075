#include "tests/test_support.h"

#include "core/eval/cache_layout.h"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <system_error>

RunResult run_program(const std::string &program, const std::vector<std::string> &args,
                      const std::string &input, int timeout_ms) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess p(argv);
    if (!p.started()) return {-1, "", "fork failed"};
    p.write_all(input);
    p.close_input();
    const int status = p.wait_exit(timeout_ms);
    return {status, p.pending(), p.errors()};
}

double TestClock::now, TestClock::grain, TestClock::step;
long TestClock::reads;

namespace {
double test_clock_ms() {
    ++TestClock::reads;
    const double t = TestClock::now;
    TestClock::now += TestClock::step;
    return TestClock::grain > 0 ? std::floor(t / TestClock::grain) * TestClock::grain : t;
}
}  // namespace

TestClock::TestClock(double grain_ms, double step_ms) : saved_(engine_clock_ms) {
    now = 1e6;
    grain = grain_ms;
    step = step_ms;
    reads = 0;
    // A new clock: no reading of the old one vouches for anything.
    clock_vouch[0] = clock_vouch[1] = ClockVouch{};
    engine_clock_ms = test_clock_ms;
}

TestClock::~TestClock() { engine_clock_ms = saved_; }

void reset_engine() {
    init_engine();
    set_fen(start_fen);
    pref_count = 0;
    request_cancel[0] = 0;
    cancel_last = 0;
    stop_requested.store(0);
}

void load_fen(const char *fen) {
    reset_engine();
    ASSERT_EQ(set_fen(fen), 1) << fen;
}

double evaluate_on_view(const BoardView &view) {
    ViewEvalKey prepared;
    prepare_view_eval(view, prepared);
    return evaluate_prepared_view(view, prepared);
}

void search_fen(const char *fen, double depth, double seconds, double step_ms) {
    TestClock clock(0, step_ms);
    load_fen(fen);
    search_position(depth, seconds);
}

void search_position(double depth, double seconds) {
    computerPlayer = currentPlayer;
    computerDepth = depth;
    computerThinkSeconds = seconds;
    CalculateBestMove();
}

void uci_send(const std::vector<std::string> &lines) {
    for (std::string l : lines) uci_handle_line(&l[0]);
}

std::string captured_stdout(const std::function<void()> &f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string result_lines() { return captured_stdout(emit_result); }

void for_each_legal_move(int side, const std::function<void(int, int, int, int)> &visit) {
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            if (colour_of(board[fx][fy]) != side) continue;
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx)
                    if (IsMoveValid(fx, fy, tx, ty) == 1) visit(fx, fy, tx, ty);
        }
}

std::string state_bytes() {
    const State s = state_get();
    return std::string(reinterpret_cast<const char *>(&s), sizeof s);
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_file(const std::string &path, const std::string &content) {
    std::ofstream f(path, std::ios::binary);
    f << content;
}

bool file_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

namespace {

// The directories make_temp_dir made, removed with their files when the test
// program ends.  Only the process that made them removes them: a death
// test's child runs the same exit handlers.
struct TempDirs {
    pid_t owner = getpid();
    std::vector<std::string> paths;
    ~TempDirs() {
        if (getpid() != owner) return;
        std::error_code ignored;
        for (const std::string &path : paths) std::filesystem::remove_all(path, ignored);
    }
};

TempDirs &temp_dirs() {
    static TempDirs dirs;
    return dirs;
}

}  // namespace

std::string make_temp_dir() {
    char templ[] = "/tmp/quintar_test_XXXXXX";
    char *d = mkdtemp(templ);
    if (d == nullptr) return "/tmp";
    temp_dirs().paths.emplace_back(d);
    return d;
}

std::string mirror_move(const std::string &move) {
    std::string r = move;
    r[1] = static_cast<char>('1' + ('8' - move[1]));
    r[3] = static_cast<char>('1' + ('8' - move[3]));
    return r;
}

std::string mirror_fen(const std::string &fen) {
    std::istringstream in(fen);
    std::string placement, side, castling = "-", ep = "-", rest, ranks, rank;
    in >> placement >> side >> castling >> ep;
    std::getline(in, rest);
    std::istringstream rows(placement);
    while (std::getline(rows, rank, '/')) ranks = ranks.empty() ? rank : rank + "/" + ranks;
    const auto swap_case = [](std::string s) {
        for (char &c : s) c = std::isupper(c) ? std::tolower(c) : std::toupper(c);
        return s;
    };
    if (ep.size() == 2) ep[1] = ep[1] == '3' ? '6' : '3';
    return swap_case(ranks) + (side == "w" ? " b " : " w ") + swap_case(castling) + " " + ep + rest;
}

bool regex_matches(const std::string &text, const std::string &pattern,
                   std::vector<std::string> *groups) {
    std::smatch m;
    if (!std::regex_match(text, m, std::regex(pattern))) return false;
    if (groups != nullptr) groups->assign(m.begin(), m.end());
    return true;
}

bool regex_finds(const std::string &text, const std::string &pattern) {
    return std::regex_search(text, std::regex(pattern));
}

std::string regex_replaced(const std::string &text, const std::string &pattern,
                           const std::string &with) {
    return std::regex_replace(text, std::regex(pattern), with);
}
