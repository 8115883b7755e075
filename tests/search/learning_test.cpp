// Learning preferences: the table lookups and move texts, and the tie-break
// through the root search on positions with several mates in one, whose
// scores tie exactly.
#include "search_test_util.h"

#include <string>
#include <vector>

namespace {

struct Pref {
    const char *move;
    double value, bonus;
};

void set_table(const std::vector<Pref> &prefs) {
    pref_count = static_cast<int>(prefs.size());
    for (size_t i = 0; i < prefs.size(); ++i)
        set_pref(static_cast<int>(i), prefs[i].move, prefs[i].value, prefs[i].bonus);
}

TEST(Learning, PreferenceLookupFirstExactMatch) {
    reset_engine();
    set_table({{"e2e4", 15, 3}, {"e2e4", 99, 9}, {"e7e8q", 40, 0}, {"d2d4", -5, 2}});
    struct {
        const char *move;
        double value, bonus;
    } cases[] = {{"e2e4", 15, 3}, {"e7e8q", 40, 0}, {"e7e8", 0, 0}, {"d2d4", -5, 2},
                 {"e2e", 0, 0},   {"", 0, 0},       {"g1f3", 0, 0}};
    for (const auto &c : cases) {
        double bonus = -1;
        EXPECT_EQ(LearningPreference(hs("any key"), hs(c.move), &bonus), c.value) << c.move;
        EXPECT_EQ(bonus, c.bonus) << c.move;
        EXPECT_EQ(EndLearningPreference(hs(""), hs(c.move)), c.value) << c.move;
    }
    // Entries past the count do not exist.
    pref_count = 1;
    EXPECT_EQ(EndLearningPreference(hs(""), hs("e7e8q")), 0);
    pref_count = 0;
    double bonus = -1;
    EXPECT_EQ(LearningPreference(hs(""), hs("e2e4"), &bonus), 0);
    EXPECT_EQ(bonus, 0);
}

TEST(Learning, EndGameMoveTexts) {
    EXPECT_STREQ(EndSearchMove_s(1, 4, 6, 4, 4).v, "46440");   // e2e4
    EXPECT_STREQ(EndSearchMove_s(1, 4, 1, 4, 0).v, "41405");   // e7e8, promotes
    EXPECT_STREQ(EndSearchMove_s(11, 3, 6, 2, 7).v, "36275");  // d2xc1 by Black
    EXPECT_STREQ(EndSearchMove_s(2, 0, 7, 0, 0).v, "07000");   // a1a8, rook
    EXPECT_STREQ(EndSearchMove_s(16, 4, 0, 6, 0).v, "40600");  // e8g8, king
    EXPECT_STREQ(EndLearningMove_s(7, 7, 7, 7, 5).v, "77775");
    EXPECT_STREQ(EndLearningMove_s(-1, 0.5, 12, 7, 0).v, "-10.51270");
    EXPECT_STREQ(ComputerMoveText_s(1, 4, 1, 4, 0).v, "e7e8q");
}

TEST(Learning, EndGamePositionCountsThreeToEightPieces) {
    struct {
        const char *fen;
        double expected;
    } cases[] = {{"8/8/8/8/8/8/8/K6k w - - 0 1", 0},
                 {"8/8/8/8/8/8/8/KP5k w - - 0 1", 1},
                 {"7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 1", 1},
                 {"7k/6pp/8/8/8/8/7P/RRRR2K1 w - - 0 1", 0},
                 {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0}};
    for (const auto &c : cases) {
        load_fen(c.fen);
        EXPECT_EQ(EndLearningPosition(), c.expected) << c.fen;
    }
}

TEST(Learning, TieReason) {
    struct {
        double pref, best, bonus, bestBonus, expected;
    } cases[] = {{30, 15, 20, 0, 1}, {30, 15, 10, 0, 2}, {30, 15, 15, 0, 1},
                 {30, 15, 16, 2, 2}, {5, 0, 0, 0, 2},    {5, -1000000, 0, 0, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(LearningTieReason(c.pref, c.best, c.bonus, c.bestBonus), c.expected)
            << c.pref << " " << c.best << " " << c.bonus << " " << c.bestBonus;
}

// Four rooks, each able to mate on the eighth rank; the mates tie exactly
// and are searched a1a8, b1b8, c1c8, d1d8.  Eight pieces.
const char *const kFourMates = "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 1";
const char *const kFourMatesLate = "7k/6pp/8/8/8/8/8/RRRR2K1 w - - 0 21";
// The same with a ninth piece.
const char *const kFourMatesNine = "7k/6pp/8/8/8/8/7P/RRRR2K1 w - - 0 1";
const char *const kFourMatesNineLate = "7k/6pp/8/8/8/8/7P/RRRR2K1 w - - 0 21";
// Black to move, the colour mirror.
const char *const kBlackMates = "rrrr2k1/8/8/8/8/8/6PP/7K b - - 0 1";

struct TieCase {
    const char *name;
    const char *fen;
    double enabled, endOK;
    std::vector<Pref> prefs;
    const char *move;
    double code;
};

class LearningTieBreak : public testing::TestWithParam<TieCase> {};

TEST_P(LearningTieBreak, ChoosesAndReports) {
    const TieCase &c = GetParam();
    for (double depth : {1.0, 3.0}) {
        load_fen(c.fen);
        learningEnabled = c.enabled;
        endLearnFileOK = c.endOK;
        set_table(c.prefs);
        computerPlayer = currentPlayer;
        computerDepth = depth;
        computerThinkSeconds = 300;
        CalculateBestMove();
        EXPECT_STREQ(computerBestMove_s.v, c.move) << c.name;
        EXPECT_EQ(learningChoiceUsed, c.code) << c.name;
        EXPECT_EQ(Abs(computerScore), 899999) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LearningTieBreak,
    testing::Values(
        TieCase{"no preferences", kFourMates, 1, 1, {}, "a1a8", 0},
        TieCase{"learning off",
                kFourMates,
                0,
                1,
                {{"17100", 50, 0}, {"b1b8", 50, 0}, {"d1d8", 90, 0}},
                "a1a8",
                0},
        TieCase{"end game tie", kFourMates, 1, 1, {{"17100", 10, 0}}, "b1b8", 3},
        TieCase{
            "end game ignores coordinate texts", kFourMates, 1, 1, {{"b1b8", 10, 0}}, "a1a8", 0},
        TieCase{"only two ties confirmed",
                kFourMates,
                1,
                1,
                {{"07000", 1, 0}, {"17100", 2, 0}, {"27200", 3, 0}, {"37300", 4, 0}},
                "c1c8",
                3},
        TieCase{"two ties with the third highest",
                kFourMates,
                1,
                1,
                {{"17100", 2, 0}, {"27200", 1, 0}, {"37300", 9, 0}},
                "d1d8",
                3},
        TieCase{"equal preference keeps the first",
                kFourMates,
                1,
                1,
                {{"07000", 10, 0}, {"17100", 10, 0}},
                "a1a8",
                0},
        TieCase{
            "lower preference keeps the first", kFourMates, 1, 1, {{"17100", -5, 0}}, "a1a8", 0},
        TieCase{"preference never beats a better score",
                kFourMates,
                1,
                1,
                {{"67500", 1000, 0}, {"g1f2", 1000, 0}},
                "a1a8",
                0},
        TieCase{"opening tie won only with bonus",
                kFourMates,
                1,
                0,
                {{"a1a8", 15, 0}, {"b1b8", 30, 20}},
                "b1b8",
                1},
        TieCase{"opening tie won without bonus",
                kFourMates,
                1,
                0,
                {{"a1a8", 15, 0}, {"b1b8", 30, 10}},
                "b1b8",
                2},
        TieCase{"opening ignores end-game texts", kFourMates, 1, 0, {{"17100", 30, 0}}, "a1a8", 0},
        TieCase{"opening needs fewer than 16 half-moves",
                kFourMatesLate,
                1,
                0,
                {{"b1b8", 30, 0}},
                "a1a8",
                0},
        TieCase{"end game mode at move 21", kFourMatesLate, 1, 1, {{"27200", 30, 0}}, "c1c8", 3},
        TieCase{"nine pieces: opening mode",
                kFourMatesNine,
                1,
                1,
                {{"27200", 30, 0}, {"b1b8", 30, 0}},
                "b1b8",
                2},
        TieCase{"nine pieces late: no mode",
                kFourMatesNineLate,
                1,
                1,
                {{"17100", 30, 0}, {"b1b8", 30, 0}},
                "a1a8",
                0},
        TieCase{"duplicates: first entry counts",
                kFourMates,
                1,
                0,
                {{"a1a8", 10, 0}, {"b1b8", 5, 0}, {"b1b8", 50, 0}},
                "a1a8",
                0},
        TieCase{"duplicates: first entry counts, other way",
                kFourMates,
                1,
                0,
                {{"a1a8", 10, 0}, {"b1b8", 50, 0}, {"b1b8", 5, 0}},
                "b1b8",
                2},
        TieCase{"illegal entries have no effect",
                kFourMates,
                1,
                0,
                {{"e1e8", 99, 0}, {"g1g8", 99, 0}, {"h8h1", 99, 0}, {"b1b8", 5, 0}},
                "b1b8",
                2},
        TieCase{"black end game tie", kBlackMates, 1, 1, {{"20270", 7, 0}}, "c8c1", 3},
        TieCase{
            "black opening tie", kBlackMates, 1, 0, {{"a8a1", 3, 1}, {"d8d1", 4, 2}}, "d8d1", 1},
        TieCase{"black learning off", kBlackMates, 0, 0, {{"d8d1", 4, 0}}, "a8a1", 0}));

}  // namespace
