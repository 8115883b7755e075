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

// Move code of a coordinate text such as "e2e4", and back.
inline double move_code(const std::string &m) {
    return ('8' - m[1]) * 512 + (m[0] - 'a') * 64 + ('8' - m[3]) * 8 + (m[2] - 'a');
}
inline std::string code_text(double code) {
    const int c = static_cast<int>(code);
    return {static_cast<char>('a' + (c / 64) % 8), static_cast<char>('8' - c / 512),
            static_cast<char>('a' + c % 8), static_cast<char>('8' - (c / 8) % 8)};
}

// The two result lines of the last search as emit_result prints them.
inline std::string result_lines() {
    testing::internal::CaptureStdout();
    emit_result();
    return testing::internal::GetCapturedStdout();
}
