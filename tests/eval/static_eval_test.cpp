// Static evaluation values worked out by hand, the king-zone penalty, the
// winning-king term and the --eval command line.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Loads a full FEN, or a bare placement field onto an empty board (kings
// optional then).
void place(const char *placement) {
    if (std::strchr(placement, ' ')) return load_fen(placement);
    reset_engine();
    for (int x = 0; x < 9; x++)
        for (int y = 0; y < 9; y++) board[x][y] = 0;
    int x = 0, y = 0;
    for (const char *c = placement; *c; c++) {
        if (*c == '/') {
            y++;
            x = 0;
        } else if (*c >= '1' && *c <= '8') {
            x += *c - '0';
        } else {
            board[x++][y] = piece_code(*c);
        }
    }
}

struct Case {
    const char *name, *position;
    double expected;
};

std::string case_name(const ::testing::TestParamInfo<Case> &i) { return i.param.name; }

// Shown in failure messages and test listings.
void PrintTo(const Case &c, std::ostream *os) { *os << c.position << " = " << c.expected; }

// Placements without kings or piece material have phase 0: passed pawns get
// their full endgame share and there are no king terms.
const Case kValues[] = {
    // e2: 117 base, isolated -15, passed 2 + 3.  e3: 122 - 15 + 8 + 12.
    {"lone_pawn_e2", "8/8/8/8/8/8/4P3/8", 107},
    {"black_pawn_e7", "8/4p3/8/8/8/8/8/8", -107},
    {"doubled_e2_e3", "8/8/8/8/8/4P3/4P3/8", 107 + 127 - 12},  // -6 each
    // Five on the a-file, -9.6 each, the fractions summing to a whole 48.
    {"five_on_a_file", "8/8/P7/P7/P7/P7/P7/8", 759},
    {"connected_d2_e2", "8/8/8/8/8/8/3PP3/8", 2 * (117 + 5 + 10)},  // not isolated
    {"rook_open_file", "8/8/8/8/8/8/8/3R4", 512 + 22},
    // Phase 500: the pawn's passed term is 2 + Int(3 x 5900 / 6400).
    {"rook_behind_own_pawn", "8/8/8/8/8/8/3P4/3R4", 512 + 106},
    {"rook_half_open_file", "8/3p4/8/8/8/8/8/3R4", 524 - 106},
    {"knight_b1_back_rank", "8/8/8/8/8/8/8/1N6", 294},  // -10
    {"bishop_c1_back_rank", "8/8/8/8/8/8/8/2B5", 328},  // -10
    {"white_bishop_pair", "8/8/8/8/8/8/8/2B2B2", 328 + 328 + 30},
    {"black_bishop_pair", "2b2b2/8/8/8/8/8/8/8", -(328 + 328 + 30)},
    {"both_bishop_pairs", "2b2b2/8/8/8/8/8/8/2B2B2", 0},
    // The queen alone: phase 900, development penalty Int(15 x 900 / 6400).
    {"queen_d2_second_rank", "8/8/8/8/8/8/3Q4/8", 908},
    {"queen_d3_developed", "8/8/8/8/8/3Q4/8/8", 910 - 2},
    {"start_position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
    // Full material: 912 - 15 for the queen on d4 instead of 906 on d1.
    {"queen_early", "rnbqkbnr/pppppppp/8/8/3Q4/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1", -9},
    // Pawn e2 107 plus the king-distance term Int((6 - 1) x 4).
    {"passed_pawn_king_distance", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 127},
    // Kings 20013 and 19999 (zone penalty 1), rook 526, winning king 449.
    {"cornered_lone_king", "k7/8/K7/8/8/8/8/1R6 w - - 0 1", 989},
    // King g1 castled bonus 11, rook a1 522, winning king 293.
    {"castled_king_bonus", "7k/8/8/8/8/8/8/R5K1 w - - 0 1", 826},
};

class Values : public ::testing::TestWithParam<Case> {};

TEST_P(Values, ScoreMatchesHandCount) {
    for (double pawnCache : {1.0, 0.0}) {
        place(GetParam().position);
        pawnCacheEnabled = pawnCache;
        EXPECT_EQ(EvaluateBoard(), GetParam().expected) << "pawn cache " << pawnCache;
    }
}

INSTANTIATE_TEST_SUITE_P(Eval, Values, ::testing::ValuesIn(kValues), case_name);

// White king g1 attacked by Black; phase 6400, no shield.
const Case kZone[] = {
    {"queen_alone", "8/8/8/8/7q/8/8/6K1", 0},  // one attacker never counts
    // Queen h4 (7 hits, counted 3, weight 5), rook f8 (4 hits, 3, weight
    // 3): units 24, 3 x 24 + 24 x 24 / 4.
    {"queen_and_rook", "5r2/8/8/8/7q/8/8/6K1", 216},
    // Knight h3 and rook f8: 101, quartered without an enemy queen.
    {"knight_and_rook_no_queen", "5r2/8/8/8/8/7n/8/6K1", 25},
    {"own_pieces_ignored", "5R2/8/8/8/7Q/8/8/6K1", 0},
    {"cap_260", "5r2/8/8/8/3b3q/6n1/8/6K1", 260},
};

class Zone : public ::testing::TestWithParam<Case> {};

TEST_P(Zone, PenaltyMatchesHandCount) {
    place(GetParam().position);
    EXPECT_EQ(KingZonePenalty(6, 7, 2, 6400, 0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Eval, Zone, ::testing::ValuesIn(kZone), case_name);

const Case kWinningKing[] = {
    // Lone king a8, three flights covered, kings two apart: 8x16 + 3x35 + 12x18.
    {"cornered", "k7/8/K7/8/8/8/8/1R6 b - - 0 1", 449},
    {"cornered_black_queen", "1q6/8/8/8/8/k7/8/K7 w - - 0 1", -449},
    {"centre_distance_only", "8/8/8/3k4/8/8/8/K6R w - - 0 1", 126},  // 7 x 18
    {"defender_has_pawn", "8/8/8/3k4/8/8/p7/K6R w - - 0 1", 0},
    {"two_bishops_only", "8/8/8/3k4/8/8/8/KBB5 w - - 0 1", 0},
    {"both_with_pieces", "8/8/8/3k1r2/8/8/8/K6R w - - 0 1", 0},
};

class WinningKing : public ::testing::TestWithParam<Case> {};

TEST_P(WinningKing, BonusMatchesHandCount) {
    load_fen(GetParam().position);
    EXPECT_EQ(WinningKingEndgame(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Eval, WinningKing, ::testing::ValuesIn(kWinningKing), case_name);

TEST(Eval, CommandLine) {
    struct Run {
        std::initializer_list<std::string> args;
        int status;
        const char *out, *err;
    };
    const Run runs[] = {
        {{"--eval"}, 0, "0\n", ""},
        {{"--eval", "0", "k7/8/K7/8/8/8/8/1R6 w - - 0 1"}, 0, "989\n", ""},
        {{"--eval", "x", "4k3/4p3/8/8/8/8/8/4K3 b - - 0 1"}, 0, "-127\n", ""},
        {{"--eval", "0", "not a fen"}, 2, "", "Invalid FEN\n"},
    };
    for (const Run &c : runs) {
        RunResult r = run_program(QUINTAR_BIN, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

}  // namespace
