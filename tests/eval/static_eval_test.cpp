// Static evaluation values worked out by hand, with and without the pawn
// cache (the king-zone and winning-king terms included); then pawn
// structures at the edges of the pawn-feature sets: files with two, three,
// five or seven pawns of one side (whole and fractional doubled terms), a
// pawn with more than fifteen own pawns beside it, pawns on the back ranks,
// passers with and without support.  Those scores are the engine's own,
// kept from before the features were taken from pawn sets; each position is
// evaluated with the pawn cache off, on a pawn-cache miss and on a hit.
#include "core/eval/cache_layout.h"
#include "tests/test_support.h"

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
    // Pawn structures at the edges of the feature sets: the engine's own scores.
    {"five_on_e_file", "4k3/8/4P3/4P3/4P3/4P3/4P3/4K3 w - - 0 1", 839},
    {"seven_on_h_file", "4k3/7p/7p/7p/7p/7p/7p/4K2p w - - 0 1", -1375},
    {"two_on_each_file", "4k3/pppppppp/pppppppp/8/8/8/PPPPPPPP/4K3 w - - 0 1", -832},
    {"sixteen_beside_b6", "P1P1k3/P1P5/PPP5/P1P5/P1P5/P1P5/P1P5/P1P1K3 w - - 0 1", 3688},
    {"back_rank_pawns", "P3k3/1p6/8/8/8/8/1P6/p3K3 w - - 0 1", 0},
    {"back_rank_pawns_2", "1P2k3/8/8/8/8/8/8/4K1p1 w - - 0 1", 0},
    {"chains", "4k3/8/3p4/2pPp3/2P1P3/8/8/4K3 w - - 0 1", 22},
    {"three_on_d_file", "4k3/8/8/3P4/3P4/3P4/8/4K3 w - - 0 1", 493},
    {"passer_against_one", "4k3/2p5/8/1P1P4/8/8/8/4K3 b - - 0 1", 152},
    {"central_passer", "rnbqkbnr/pp3ppp/8/2pPp3/8/8/PPP2PPP/RNBQKBNR w KQkq - 0 4", 15},
    {"connected_passers", "6k1/1p3ppp/8/PP6/8/8/5PPP/6K1 w - - 0 1", 174},
};

// Each position with the pawn cache off, on a miss (through the evaluation
// cache) and on two hits; every one but the overfull structure is served
// from the pawn cache the second time.
TEST(Eval, ValuesMatchHandCount) {
    int cases = 0, hits = 0;
    for (const Case &c : kValues) {
        place(c.position);
        pawnCacheEnabled = 0;
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.name << ", pawn cache off";
        pawnCacheEnabled = 1;
        EXPECT_EQ(EvaluateBoard(), c.expected) << c.name << ", first with the pawn cache";
        const double before = pawnCacheHits;
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.name << ", second";
        // The third time the hit is served from what the second one read.
        EXPECT_EQ(EvaluateBoardUncached(), c.expected) << c.name << ", third";
        hits += static_cast<int>(pawnCacheHits - before) / 2;
        ++cases;
    }
    EXPECT_EQ(hits, cases - 1);
}

// A hit reads the feature words as they stand, even when they were written
// through the memory layer after the configuration was last read: a lone
// pawn's word rewritten to give it a neighbour takes back its -15 for
// being isolated.
TEST(PawnStructure, HitReadsWordsWrittenBehindTheCache) {
    reset_engine();
    load_fen("4k3/8/8/3P4/8/8/8/4K3 w - - 0 1");
    pawnCacheEnabled = 1;
    const double fresh = EvaluateBoardUncached();
    ASSERT_EQ(EvaluateBoardUncached(), fresh);
    ASSERT_EQ(EvaluateBoardUncached(), fresh);
    int used = -1;
    for (int slot = 0; slot < kPawnSlots; ++slot)
        if (peek_n(kPawnBlock, slot * kPawnSlotBytes + kPawnStateOffset, 1) == 1) used = slot;
    ASSERT_GE(used, 0);
    const double word = used * kPawnSlotBytes + kPawnWordsOffset + 27 * kPawnWordBytes;  // d5
    poke_n(kPawnBlock, word, peek_n(kPawnBlock, word, 4) + kWordNeighbours, 4);
    EXPECT_EQ(EvaluateBoardUncached(), fresh + 15);
}

}  // namespace
