// The learning tie-break through the root search, on positions with several
// mates in one whose scores tie exactly.  End-game entries name moves as
// piece, from x, from y, to x, to y ("17100": rook b1b8); opening entries
// use coordinate texts.
#include "tests/test_support.h"

namespace {

// Four rooks, each able to mate on the eighth rank, searched a1a8, b1b8,
// c1c8, d1d8; eight pieces.  "+": a ninth piece.  "late": move 21.
const char k4[] = "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 1";
const char k4Late[] = "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 21";
const char k9[] = "7k/6pp/8/8/8/8/7P/RRRR2K1 w - - 0 1";
const char k9Late[] = "7k/6pp/8/8/8/8/7P/RRRR2K1 w - - 0 21";
const char kBlackMirror[] = "rrrr2k1/8/8/8/8/8/6PP/7K b - - 0 1";  // the colour mirror

struct TieCase {
    const char *name, *fen;
    double enabled, endOK;
    const char *prefs;  // "move value bonus" triples
    const char *move;
    double code;  // learningChoiceUsed
};

// clang-format off
const TieCase kCases[] = {
    {"no preferences",                     k4, 1, 1, "", "a1a8", 0},
    {"learning off",                       k4, 0, 1, "17100 50 0 b1b8 50 0 d1d8 90 0", "a1a8", 0},
    {"end game tie",                       k4, 1, 1, "17100 10 0", "b1b8", 3},
    {"end game ignores coordinate texts",  k4, 1, 1, "b1b8 10 0", "a1a8", 0},
    {"only two ties confirmed",            k4, 1, 1, "07000 1 0 17100 2 0 27200 3 0 37300 4 0", "c1c8", 3},
    {"two ties with the third highest",    k4, 1, 1, "17100 2 0 27200 1 0 37300 9 0", "d1d8", 3},
    {"equal preference keeps the first",   k4, 1, 1, "07000 10 0 17100 10 0", "a1a8", 0},
    {"lower preference keeps the first",   k4, 1, 1, "17100 -5 0", "a1a8", 0},
    {"never beats a better score",         k4, 1, 1, "67500 1000 0 g1f2 1000 0", "a1a8", 0},
    {"opening tie won only with bonus",    k4, 1, 0, "a1a8 15 0 b1b8 30 20", "b1b8", 1},
    {"opening tie won without bonus",      k4, 1, 0, "a1a8 15 0 b1b8 30 10", "b1b8", 2},
    {"opening ignores end-game texts",     k4, 1, 0, "17100 30 0", "a1a8", 0},
    {"opening needs under 16 half-moves",  k4Late, 1, 0, "b1b8 30 0", "a1a8", 0},
    {"end game mode at move 21",           k4Late, 1, 1, "27200 30 0", "c1c8", 3},
    {"nine pieces: opening mode",          k9, 1, 1, "27200 30 0 b1b8 30 0", "b1b8", 2},
    {"nine pieces late: no mode",          k9Late, 1, 1, "17100 30 0 b1b8 30 0", "a1a8", 0},
    {"duplicates: first entry counts",     k4, 1, 0, "a1a8 10 0 b1b8 5 0 b1b8 50 0", "a1a8", 0},
    {"duplicates: first entry, other way", k4, 1, 0, "a1a8 10 0 b1b8 50 0 b1b8 5 0", "b1b8", 2},
    {"illegal entries have no effect",     k4, 1, 0, "e1e8 99 0 g1g8 99 0 h8h1 99 0 b1b8 5 0", "b1b8", 2},
    {"black end game tie",                 kBlackMirror, 1, 1, "20270 7 0", "c8c1", 3},
    {"black opening tie",                  kBlackMirror, 1, 0, "a8a1 3 1 d8d1 4 2", "d8d1", 1},
};
// clang-format on

TEST(Learning, TieBreakChoosesAndReports) {
    for (const TieCase &c : kCases)
        for (double depth : {1.0, 3.0}) {
            SCOPED_TRACE(::testing::Message() << c.name << ", depth " << depth);
            load_fen(c.fen);
            learningEnabled = c.enabled;
            endLearnFileOK = c.endOK;
            std::istringstream in(c.prefs);
            std::string move;
            for (pref_count = 0; in >> move; ++pref_count) {
                std::snprintf(pref_move[pref_count], sizeof pref_move[0], "%s", move.c_str());
                in >> pref_value[pref_count] >> pref_bonus[pref_count];
            }
            search_position(depth);
            EXPECT_STREQ(computerBestMove_s.v, c.move);
            EXPECT_EQ(learningChoiceUsed, c.code);
            EXPECT_EQ(Abs(computerScore), 899999);
        }
}

}  // namespace
