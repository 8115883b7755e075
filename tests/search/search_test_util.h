// Helpers shared by the search tests.
#pragma once

#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Loads fen into a fresh engine and runs one search with the given limits
// on a test clock that moves step_ms at each reading.  With the default
// step 0 it stands still: the search ends by depth, mate or stop, never on
// time, and reports time 0 however busy the machine is.
inline void search_fen(const char *fen, double depth, double seconds = 300, double step_ms = 0) {
    TestClock clock(0, step_ms);
    load_fen(fen);
    computerPlayer = currentPlayer;
    computerDepth = depth;
    computerThinkSeconds = seconds;
    CalculateBestMove();
}

// The two result lines of the last search as emit_result prints them.
inline std::string result_lines() {
    testing::internal::CaptureStdout();
    emit_result();
    return testing::internal::GetCapturedStdout();
}
