// Running the AmigaOS stand-in program with a journal and refused services.
#pragma once

#include "tests/test_support.h"

#ifdef QUINTAR_AMIGA_BIN
#define QUIN_REQUIRE_AMIGA_BIN() (void)0
inline const char *amiga_bin() { return QUINTAR_AMIGA_BIN; }
#else
#define QUIN_REQUIRE_AMIGA_BIN() GTEST_SKIP() << "AmigaOS stand-in program not built"
inline const char *amiga_bin() { return ""; }
#endif

struct AmigaRun {
    RunResult result;
    std::vector<std::string> journal;
};

// Runs the stand-in program with the given refused services ("" for none)
// and returns its result with the journal of system calls it made.
inline AmigaRun run_amiga(const std::vector<std::string> &words, const std::string &refuse = "",
                          const std::string &input = "") {
    static int serial = 0;
    const std::string log = make_temp_dir() + "/journal" + std::to_string(++serial);
    setenv("QUIN_STANDIN_LOG", log.c_str(), 1);
    if (refuse.empty())
        unsetenv("QUIN_STANDIN_FAIL");
    else
        setenv("QUIN_STANDIN_FAIL", refuse.c_str(), 1);
    AmigaRun run;
    run.result = run_program(amiga_bin(), words, input);
    unsetenv("QUIN_STANDIN_LOG");
    unsetenv("QUIN_STANDIN_FAIL");
    std::istringstream in(file_exists(log) ? read_file(log) : std::string());
    for (std::string line; std::getline(in, line);) run.journal.push_back(line);
    return run;
}

inline std::vector<std::string> journal_calls(const AmigaRun &run, const std::string &word) {
    std::vector<std::string> out;
    for (const auto &line : run.journal)
        if (line.compare(0, word.size(), word) == 0) out.push_back(line);
    return out;
}

// Everything obtained was given back, no call was out of order, and the
// balance was checked at the very end of the program.
inline void expect_clean_journal(const AmigaRun &run) {
    ASSERT_FALSE(run.journal.empty());
    EXPECT_EQ(run.journal.back(), "exit outstanding=0");
    EXPECT_TRUE(journal_calls(run, "error").empty()) << ::testing::PrintToString(run.journal);
}
