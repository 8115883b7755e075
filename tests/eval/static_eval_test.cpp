// Static evaluation values worked out by hand, the king-zone penalty, the
// winning-king term, the stored pawn features and the --eval command line.
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Loads a full FEN, or a bare placement field onto the start state with an
// empty board (kings are optional then, unlike in a real FEN).
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
            board[x][y] = piece_code(*c);
            x++;
        }
    }
}

struct Case {
    const char *name;
    const char *position;  // a placement field or a full FEN
    double expected;
};

// Boards without kings and with no piece material: phase 0, so the passed
// pawn terms get their full endgame share and no king terms exist.
const Case kPieceValues[] = {
    // Pawn e2 alone: 117 base, isolated -15, passed 2 + 3.
    {"lone_pawn_e2", "8/8/8/8/8/8/4P3/8", 107},
    // e3: 122 base, -15, passed 8 + 12.
    {"lone_pawn_e3", "8/8/8/8/8/4P3/8/8", 127},
    // e4: 139 base (rank 3 gains 2 x centre 6), -15, passed 18 + 27.
    {"lone_pawn_e4", "8/8/8/8/4P3/8/8/8", 169},
    // Doubled: -6 each on top of the lone values.
    {"doubled_e2_e3", "8/8/8/8/8/4P3/4P3/8", 107 + 127 - 12},
    // Tripled: -8 each.
    {"tripled_e2_e3_e4", "8/8/8/8/4P3/4P3/4P3/8", 107 + 127 + 169 - 24},
    // Five on the a-file: -9.6 each, the fractions summing to a whole 48:
    // 233.4 + 187.4 + 147.4 + 105.4 + 85.4.
    {"five_on_a_file", "8/8/P7/P7/P7/P7/P7/8", 759},
    {"five_on_a_file_black", "8/p7/p7/p7/p7/p7/8/8", -759},
    // d2 and e2 side by side: no isolation, connected (+10 each).
    {"connected_d2_e2", "8/8/8/8/8/8/3PP3/8", 2 * (117 + 5 + 10)},
    // Black pawn e7 mirrors White pawn e2.
    {"black_pawn_e7", "8/4p3/8/8/8/8/8/8", -107},
    // Rook d1: 512, open file +22.
    {"rook_open_file", "8/8/8/8/8/8/8/3R4", 534},
    // Behind its own pawn: 512 + pawn d2.  The rook makes the phase 500,
    // so the pawn's passed term is 2 + Int(3 x 5900 / 6400) = 4: 106.
    {"rook_behind_own_pawn", "8/8/8/8/8/8/3P4/3R4", 512 + 106},
    // Half-open (enemy pawn only): 524, Black pawn d7 -106.
    {"rook_half_open_file", "8/3p4/8/8/8/8/8/3R4", 524 - 106},
    // Rook on the seventh rank: +20.
    {"rook_seventh_rank", "8/3R4/8/8/8/8/8/8", 554},
    // Knights: b1 on its back rank loses 10; b3; d4 in the centre; a1.
    {"knight_b1_back_rank", "8/8/8/8/8/8/8/1N6", 294},
    {"knight_b3", "8/8/8/8/8/1N6/8/8", 320},
    {"knight_d4", "8/8/8/8/3N4/8/8/8", 344},
    {"knight_a1", "8/8/8/8/8/8/8/N7", 286},
    {"black_knight_b8_back_rank", "1n6/8/8/8/8/8/8/8", -294},
    // Bishops: c1 on its back rank loses 10; c3; d4.
    {"bishop_c1_back_rank", "8/8/8/8/8/8/8/2B5", 328},
    {"bishop_c3", "8/8/8/8/8/2B5/8/8", 346},
    {"bishop_d4", "8/8/8/8/3B4/8/8/8", 354},
    // Bishop pair: +30 for White, -30 for Black, cancelling when both
    // have one; three bishops still earn 30 once.
    {"white_bishop_pair", "8/8/8/8/8/8/8/2B2B2", 328 + 328 + 30},
    {"black_bishop_pair", "2b2b2/8/8/8/8/8/8/8", -(328 + 328 + 30)},
    {"both_bishop_pairs", "2b2b2/8/8/8/8/8/8/2B2B2", 0},
    {"three_bishops", "8/8/8/8/3B4/8/8/2B2B2", 328 + 328 + 354 + 30},
    // The queen as the only piece: phase 900, early-development penalty
    // Int(15 x 900 / 6400) = 2 once it is beyond its second rank.
    {"queen_d1_home", "8/8/8/8/8/8/8/3Q4", 906},
    {"queen_d2_second_rank", "8/8/8/8/8/8/3Q4/8", 908},
    {"queen_d3_developed", "8/8/8/8/8/3Q4/8/8", 910 - 2},
    {"queen_d4_developed", "8/8/8/8/3Q4/8/8/8", 912 - 2},
    // Full positions.
    {"start_position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
    // Start material with the queen on d4: 912 - 15 instead of 906.
    {"queen_early_at_full_material", "rnbqkbnr/pppppppp/8/8/3Q4/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1",
     -9},
    // Kings and a pawn: kings 20030 each (5 x centre), pawn e2 107 plus the
    // king-distance term Int((6 - 1) x 4) = 20.
    {"passed_pawn_king_distance", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 127},
    {"passed_pawn_king_distance_mirror", "4k3/4p3/8/8/8/8/8/4K3 b - - 0 1", -127},
    // Rook and king against the cornered king: white king 20013, rook 526,
    // black king 19999 (king-zone penalty 1), winning-king bonus 449.
    {"cornered_lone_king", "k7/8/K7/8/8/8/8/1R6 w - - 0 1", 989},
    // King g1 on its back rank with the castling bonus: kingMiddle 35 - 6,
    // Int((29 x 500 + 10 x 5900) / 6400) = 11; king h8 20000; rook a1 522;
    // winning-king bonus 5 x 16 + 105 + 6 x 18 = 293.
    {"castled_king_bonus", "7k/8/8/8/8/8/8/R5K1 w - - 0 1", 826},
    {"cornered_lone_king_mirror", "1r6/8/8/8/8/k7/8/K7 b - - 0 1", -989},
};

class PieceValues : public ::testing::TestWithParam<Case> {};

TEST_P(PieceValues, ScoreMatchesHandCount) {
    const Case &c = GetParam();
    for (double pawnCache : {1.0, 0.0}) {
        place(c.position);
        pawnCacheEnabled = pawnCache;
        EXPECT_EQ(EvaluateBoard(), c.expected) << c.position << " pawn cache " << pawnCache;
    }
}

INSTANTIATE_TEST_SUITE_P(Eval, PieceValues, ::testing::ValuesIn(kPieceValues),
                         [](const ::testing::TestParamInfo<Case> &i) {
                             return std::string(i.param.name);
                         });

struct ZoneCase {
    const char *name;
    const char *position;
    double kingX, kingY, enemy, phase, shield;
    double expected;
};

// White king g1 (6, 7) unless said otherwise.
const ZoneCase kZoneCases[] = {
    // One attacker never counts, however many zone squares it hits.
    {"queen_alone", "8/8/8/8/7q/8/8/6K1", 6, 7, 2, 6400, 0, 0},
    // Queen h4 (7 hits, counted 3, weight 5) and rook f8 (4 hits, counted
    // 3, weight 3): units 24, 3 x 24 + 144 = 216.
    {"queen_and_rook", "5r2/8/8/8/7q/8/8/6K1", 6, 7, 2, 6400, 0, 216},
    {"queen_and_rook_half_phase", "5r2/8/8/8/7q/8/8/6K1", 6, 7, 2, 3200, 0, 108},
    {"queen_and_rook_no_phase", "5r2/8/8/8/7q/8/8/6K1", 6, 7, 2, 0, 0, 0},
    // A shield of two shrinks the zone to ranks 1-3: units 15 + 9.
    {"queen_and_rook_shield_two", "5r2/8/8/8/7q/8/8/6K1", 6, 7, 2, 6400, 2, 168},
    // Knight h3 (3 hits, weight 2) and rook f8: units 15, 45 + 56 = 101,
    // quartered without an enemy queen.
    {"knight_and_rook_no_queen", "5r2/8/8/8/8/7n/8/6K1", 6, 7, 2, 6400, 0, 25},
    // A queen that reaches no zone square still counts as present.
    {"knight_rook_and_far_queen", "5r2/8/8/q7/8/7n/8/6K1", 6, 7, 2, 6400, 0, 101},
    // Pieces of the king's own side do not attack it.
    {"own_pieces_ignored", "5R2/8/8/8/7Q/8/8/6K1", 6, 7, 2, 6400, 0, 0},
    // Black king g8 (6, 0): the mirrored attack, by White.
    {"black_king_mirror", "6k1/8/8/7Q/8/8/8/5R2", 6, 0, 1, 6400, 0, 216},
    // Capped at 260: queen h4 (stopped by the knight on g3) 15, rook f8 9,
    // bishop d4 4, knight g3 4: units 32, 96 + 256 = 352.
    {"cap_260", "5r2/8/8/8/3b3q/6n1/8/6K1", 6, 7, 2, 6400, 0, 260},
};

class ZonePenalty : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(ZonePenalty, MatchesHandCount) {
    const ZoneCase &c = GetParam();
    place(c.position);
    EXPECT_EQ(KingZonePenalty(c.kingX, c.kingY, c.enemy, c.phase, c.shield), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Eval, ZonePenalty, ::testing::ValuesIn(kZoneCases),
                         [](const ::testing::TestParamInfo<ZoneCase> &i) {
                             return std::string(i.param.name);
                         });

const Case kWinningKing[] = {
    // Lone king a8, three flight squares covered, kings two apart:
    // 8 x 16 + 3 x 35 + 12 x 18.
    {"cornered", "k7/8/K7/8/8/8/8/1R6 w - - 0 1", 449},
    {"cornered_black_to_move", "k7/8/K7/8/8/8/8/1R6 b - - 0 1", 449},
    {"cornered_black_queen", "1q6/8/8/8/8/k7/8/K7 w - - 0 1", -449},
    // Lone king on d5, all eight flights free, kings 7 apart: 7 x 18.
    {"centre_distance_only", "8/8/8/3k4/8/8/8/K6R w - - 0 1", 126},
    {"rook_and_pawn", "8/8/8/3k4/8/8/P7/K6R w - - 0 1", 126},
    {"defender_has_pawn", "8/8/8/3k4/8/8/p7/K6R w - - 0 1", 0},
    {"two_bishops_only", "8/8/8/3k4/8/8/8/KBB5 w - - 0 1", 0},
    {"both_bare", "8/8/8/3k4/8/8/8/K7 w - - 0 1", 0},
    {"both_with_pieces", "8/8/8/3k1r2/8/8/8/K6R w - - 0 1", 0},
};

class WinningKing : public ::testing::TestWithParam<Case> {};

TEST_P(WinningKing, BonusMatchesHandCount) {
    load_fen(GetParam().position);
    EXPECT_EQ(WinningKingEndgame(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Eval, WinningKing, ::testing::ValuesIn(kWinningKing),
                         [](const ::testing::TestParamInfo<Case> &i) {
                             return std::string(i.param.name);
                         });

// Feature words written to the pawn cache for a known structure: White
// pawns d2, e2, e3 and nothing else.
TEST(Eval, PawnCacheFeatureWords) {
    place("8/8/8/8/8/4P3/3PP3/8");
    pawnCacheEnabled = 1;
    EvaluateBoard();
    // Recompute the pawn hash as a plain Horner sum over the pawn codes.
    double hash = 0;
    std::string key;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            const double code = (board[x][y] == 1 || board[x][y] == 11) ? board[x][y] : 0;
            hash = Mod(hash * 131 + code + 1, 2147483647);
            key += static_cast<char>(65 + code);
        }
    const double offset = Mod(hash, 128) * 336;
    ASSERT_EQ(peek_n(906, offset, 1), 1);
    EXPECT_EQ(std::string(peek_s(906, offset + 1, 64).v), key);
    struct Word {
        int x, y;
        double value;
    };
    // sameFile + 16 neighbours + 256 passed + 512 connected + 1024 supported
    const Word words[] = {
        {4, 5, 2 + 16 + 256 + 512 + 1024},  // e3: doubled, d2 beside and behind
        {3, 6, 1 + 32 + 256 + 512},         // d2
        {4, 6, 2 + 16 + 256 + 512},         // e2
    };
    for (const Word &w : words)
        EXPECT_EQ(peek_n(906, offset + 80 + (w.y * 8 + w.x) * 4, 4), w.value) << w.x << w.y;
}

TEST(Eval, CommandLine) {
    struct Run {
        std::initializer_list<std::string> args;
        int status;
        const char *out;
        const char *err;
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
