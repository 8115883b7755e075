// The king-zone penalty, values worked out by hand from the rule: the zone
// is the king's file and its two neighbours over the king's rank and two
// ranks toward the enemy (three without a pawn shield); every enemy piece
// that attacks at least one zone square is an attacker worth its weight
// (pawn 1, knight 2, bishop 2, rook 3, queen 5, king 1) times its hits,
// capped at three; fewer than two attackers give 0, otherwise
// min(260, (3 - shield) * units + Int(units^2 / 4)), scaled by phase / 6400
// and quartered when the enemy has no queen on the board.
#include "tests/test_support.h"

namespace {

struct ZoneCase {
    const char *name, *fen;
    double kingX, kingY, enemy, phase, shield;
    double penalty;
};

// White king g1 = (6, 7): zone f1-h3 with a shield, f1-h4 without.
// Black king g8 = (6, 0): zone f8-h6 with a shield, f8-h5 without.  Every
// row also holds on its colour mirror, the other king's zone.
const ZoneCase kZones[] = {
    {"bare kings", "6k1/8/8/8/8/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 0},
    // Queen g4 hits g3, g2, g1, f3, h3 (f4, h4 too without a shield): one
    // attacker, however many hits.
    {"one attacker", "6k1/8/8/8/6q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 0},
    {"one attacker, no shield", "6k1/8/8/8/6q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 0},
    // Queen g4 (3 hits counted: 15) and knight e4 (f2, g3: 4): units 19,
    // Int(361 / 4) = 90.
    {"queen and knight, shield 3", "6k1/8/8/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 90},
    {"queen and knight, shield 1", "6k1/8/8/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 1, 128},
    {"queen and knight, no shield", "6k1/8/8/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 147},
    {"half the phase", "6k1/8/8/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 3200, 0, 73},  // 73.5
    {"no phase", "6k1/8/8/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 0, 0, 0},
    // White's queen g5 and knight e5 attack only the Black king.
    {"black attackers, white king", "6k1/8/8/4N1Q1/8/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 0},
    // Rook g4 (g3, g2, g1: 9) and knight e4 (4): units 13, 0 + 42, a
    // quarter without a queen; 39 + 42 = 81 without a shield.
    {"rook and knight", "6k1/8/8/8/4n1r1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 10},
    {"rook and knight, no shield", "6k1/8/8/8/4n1r1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 20},
    // A queen on a8 that attacks nothing in the zone still counts.
    {"queen far away", "q5k1/8/8/8/4n1r1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 42},
    {"queen far away, no shield", "q5k1/8/8/8/4n1r1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 81},
    // Both sides' pieces: the rook g4 stops at its own pawn g3, the knight
    // and the pawn g3 hit White's pawns f2 and h2; units 3 + 4 + 2 = 9,
    // Int(81 / 4) = 20, a quarter.  White's queen is no enemy queen.
    {"pieces of both sides", "6k1/8/8/8/4n1r1/6p1/5PPP/3Q2K1 w - - 0 1", 6, 7, 2, 6400, 3, 5},
    // Without a shield the rook also hits f4 and h4: units 15, 45 + 56.
    {"pieces of both sides, no shield", "6k1/8/8/8/4n1r1/6p1/5PPP/3Q2K1 w - - 0 1", 6, 7, 2, 6400,
     0, 25},
    {"pieces of both sides, black king", "6k1/8/8/8/4n1r1/6p1/5PPP/3Q2K1 w - - 0 1", 6, 0, 1, 6400,
     3, 0},
    // A king as attacker: Black's king e3 (f3, f2) and knight f2 (h3, h1):
    // units 6, Int(36 / 4) = 9, a quarter.  Without a shield the king also
    // hits f4 and the knight g4: units 9, 27 + 20 = 47.
    {"king and knight", "8/8/8/8/8/4k3/5n2/6K1 w - - 0 1", 6, 7, 2, 6400, 3, 2},
    {"king and knight, no shield", "8/8/8/8/8/4k3/5n2/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 11},
    // Queen (15), knight (4), rook h8 (h4-h1: 9) and bishop d6 (f4, g3,
    // h2: 6): units 34, 102 + 289 capped at 260.
    {"capped", "6kr/8/3b4/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 6400, 0, 260},
    {"capped, half the phase", "6kr/8/3b4/8/4n1q1/8/8/6K1 w - - 0 1", 6, 7, 2, 3200, 0, 130},
};

TEST(KingZone, PenaltyMatchesHandCount) {
    for (const ZoneCase &c : kZones)
        for (const bool twin : {false, true}) {
            load_fen(twin ? mirror_fen(c.fen).c_str() : c.fen);
            EXPECT_EQ(KingZonePenalty(c.kingX, twin ? 7 - c.kingY : c.kingY,
                                      twin ? 3 - c.enemy : c.enemy, c.phase, c.shield),
                      c.penalty)
                << c.name << (twin ? ", mirrored" : "");
        }
}

// Pairs of positions that differ only by one attacker standing on another
// square of the same piece value, so that the evaluations differ by the
// king-zone penalties alone (the winning-king term is 0: both sides keep
// other pieces).  The penalty lowers its own king's value: the score falls
// by the White king's and rises by the Black king's.
struct EvalPair {
    const char *name, *attacked, *calmer;
    double kingX, kingY, enemy, phase, shield;
    double penalty, calmerPenalty;
};

const EvalPair kPairs[] = {
    // Black queen g4 (g3, g2, f3, h3: 15) and knight e4 (4) against White's
    // shield f2-h2: Int(4420 x 90 / 6400).  On b4 the queen hits nothing.
    {"white king, queen attack", "rnb3k1/pppp1ppp/8/8/4n1q1/8/PPP2PPP/RNBQ2K1 w - - 0 1",
     "rnb3k1/pppp1ppp/8/8/1q2n3/8/PPP2PPP/RNBQ2K1 w - - 0 1", 6, 7, 2, 4420, 3, 62, 0},
    // White rook g3 (g5-g8: 9), bishop c1 (g5, h6: 4) and knight e5 (f7,
    // g6: 4) against the unshielded Black king: units 17, 51 + 72 = 123;
    // from d5 the knight hits f6 only: units 15, 45 + 56 = 101.  White's
    // queen d1 is on the board: no quarter.
    {"black king, no shield", "rnb3k1/ppp5/8/4N3/8/6R1/PPP1PPPP/RNBQ2K1 w - - 0 1",
     "rnb3k1/ppp5/8/3N4/8/6R1/PPP1PPPP/RNBQ2K1 w - - 0 1", 6, 0, 1, 4020, 0, 77, 63},
    // Black rook g6 (g4-g1: 9) and knight e4 (4) against the unshielded
    // White king, no Black queen: Int(1960 x 81 / 6400) = 24, a quarter.
    // On b6 the rook hits nothing.
    {"white king, no shield, no queen", "1n4k1/1p3ppp/6r1/8/4n3/2N5/PPP5/R5K1 w - - 0 1",
     "1n4k1/1p3ppp/1r6/8/4n3/2N5/PPP5/R5K1 w - - 0 1", 6, 7, 2, 1960, 0, 6, 0},
};

TEST(KingZone, EvaluationDiffersByThePenalty) {
    for (const EvalPair &p : kPairs) {
        load_fen(p.calmer);
        const double calmer = EvaluateBoardUncached();
        EXPECT_EQ(KingZonePenalty(p.kingX, p.kingY, p.enemy, p.phase, p.shield), p.calmerPenalty)
            << p.name;
        load_fen(p.attacked);
        const double attacked = EvaluateBoardUncached();
        EXPECT_EQ(KingZonePenalty(p.kingX, p.kingY, p.enemy, p.phase, p.shield), p.penalty)
            << p.name;
        // The opposing king stands outside every attack in both positions.
        EXPECT_EQ(KingZonePenalty(p.kingX, 7 - p.kingY, 3 - p.enemy, p.phase, 3), 0) << p.name;
        const double sign = p.enemy == 2 ? -1 : 1;
        EXPECT_EQ(attacked - calmer, sign * (p.penalty - p.calmerPenalty)) << p.name;
    }
}

}  // namespace
