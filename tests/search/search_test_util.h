// Small helpers shared by the search tests: running one search on a FEN
// and naming moves by their coordinate text.
#pragma once

#include "frontend/quintar.h"
#include "test_support.h"

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

// Move code of a coordinate text such as "e2e4".
inline double move_code(const char *m) {
    const double fx = m[0] - 'a', fy = '8' - m[1], tx = m[2] - 'a', ty = '8' - m[3];
    return fy * 512 + fx * 64 + ty * 8 + tx;
}

// Coordinate text of a move code.
inline std::string code_text(double code) {
    const int c = static_cast<int>(code);
    const int fx = (c / 64) % 8, fy = c / 512, tx = c % 8, ty = (c / 8) % 8;
    std::string s;
    s += static_cast<char>('a' + fx);
    s += static_cast<char>('8' - fy);
    s += static_cast<char>('a' + tx);
    s += static_cast<char>('8' - ty);
    return s;
}

// Sets preference entry i.
inline void set_pref(int i, const char *move, double value, double bonus) {
    std::strncpy(pref_move[i], move, sizeof pref_move[i] - 1);
    pref_move[i][sizeof pref_move[i] - 1] = 0;
    pref_value[i] = value;
    pref_bonus[i] = bonus;
}

// The two result lines of the last search as emit_result prints them.
inline std::string result_lines() {
    testing::internal::CaptureStdout();
    emit_result();
    return testing::internal::GetCapturedStdout();
}
