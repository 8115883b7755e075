// Helpers shared by the tests: loading positions, running the real
// program through pipes and reading files.
#pragma once

#include <string>

struct RunResult {
    int status;       // exit status, or -1 when the program did not exit normally
    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error
};

// Runs argv[0] with the given arguments, writes `input` to its standard
// input and closes it, and collects both output streams.  The program is
// killed after timeout_ms.
RunResult run_program(const std::string &program, const std::initializer_list<std::string> &args,
                      const std::string &input = "", int timeout_ms = 60000);

// Fresh engine start state with the start position loaded (as at start-up),
// an empty preference table and no stop or cancel pending.
void reset_engine();
// reset_engine() followed by set_fen(fen); fails the test when rejected.
void load_fen(const char *fen);

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &content);
bool file_exists(const std::string &path);
// A new empty directory under /tmp for one test.
std::string make_temp_dir();
