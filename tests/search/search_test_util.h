// Helpers shared by the search tests.
#pragma once

#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Loads fen into a fresh engine and runs one search with the given limits.
inline void search_fen(const char *fen, double depth, double seconds = 300) {
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
