// The limited quiet search on hand-made positions: mate and draw scores, the
// static score, which captures, checks, forks, promotions and support moves
// it follows under its budgets, forced nodes, and a clean stop.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/allocation_counter.h"

namespace {

constexpr double kWide = 1000000, kStatic = 1e9, kAny = 2e9, kMany = -1;

// One top-level call, built by named steps: Q().at(5).rem(0).below("").
// The player is the side to move; below(FEN) puts that position (the one
// before the last move) in slot level-1, below("") empties it.
struct Q {
    int level = 1, remaining = 4, checksLeft = 3, forkReply = 0, chainKeep = 0;
    bool setBelow = false;
    std::string belowFen;
    double depth = 0, checkNodes = 0, quietNodes = 0, active = 0, alpha = -kWide, beta = kWide;
    Q &at(int v) { return level = v, *this; }
    Q &rem(int v) { return remaining = v, *this; }
    Q &checks(int v) { return checksLeft = v, *this; }
    Q &below(const std::string &fen) { return setBelow = true, belowFen = fen, *this; }
    Q &fork(int v) { return forkReply = v, *this; }
    Q &chain(int v) { return chainKeep = v, *this; }
    Q &horizon(double v) { return depth = v, *this; }
    Q &checkNodesUsed(double v) { return checkNodes = v, *this; }
    Q &nodesUsed(double v) { return quietNodes = v, *this; }
    Q &alarm(double v) { return active = v, *this; }
    Q &window(double a, double b) { return alpha = a, beta = b, *this; }
    // The same call on the colour-mirrored position.
    Q mirrored() const {
        Q m = *this;
        if (!belowFen.empty()) m.belowFen = mirror_fen(belowFen);
        m.alpha = -beta;
        m.beta = -alpha;
        return m;
    }
};

struct Outcome {
    double score, nodes;
};

Outcome Quiet(const std::string &fen, const Q &q) {
    double slot[65] = {};
    if (!q.belowFen.empty()) {
        load_fen(q.belowFen.c_str());
        SaveSearchState(q.level - 1);
        std::memcpy(slot, searchBoard[q.level - 1], sizeof slot);
    }
    load_fen(fen.c_str());
    if (q.setBelow) std::memcpy(searchBoard[q.level - 1], slot, sizeof slot);
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    searchIterationDepth = q.depth;
    quietNodes = q.quietNodes;
    quietCheckNodes = q.checkNodes;
    quietCheckActive = q.active;
    computerNodes = 0;
    const double score = LimitedQuietSearch(currentPlayer, q.remaining, q.level, q.alpha, q.beta,
                                            q.checksLeft, q.forkReply, q.chainKeep);
    EXPECT_EQ(quietCheckActive, q.active) << fen;
    return {score, computerNodes};
}

double Static(const std::string &fen) {
    load_fen(fen.c_str());
    return EvaluateBoard();
}

const char *kFools = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
const char *kFools50 = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 100 60";
const char *kScholars = "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4";
const char *kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// Back-rank mates: by the quiet check Rb8 (Rb1-b8), by the capture Rxb8.
const char *kRankW = "6k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";
const char *kTakeW = "1n4k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";
// Rxb7 is a plain capture.
const char *kPlain = "6k1/1n3ppp/8/8/8/8/8/1R4K1 w - - 0 1";
// Black's queen has just taken a knight on d5; e4xd5 wins it back.
const char *kQxd5 = "7k/6pp/8/3q4/4P3/8/6PP/7K w - - 0 1";
const char *kBeforeQxd5 = "3q3k/6pp/8/3N4/4P3/8/6PP/7K b - - 0 1";
// d3-d4 forks c5 and e5.
const char *kForkW = "7k/6pp/8/2n1b3/8/3PP3/6PP/7K w - - 0 1";
// Black threatens ...d5 against the knights on c4 and e4.
const char *kPawnThreat = "7k/3p4/8/8/2N1N3/8/8/4K3 w - - 0 1";
const char *kEpW = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
const char *kEpCheck = "8/2k5/8/3pP3/8/8/8/4K3 w - d6 0 1";  // exd6 checks
const char *kPromoW = "7k/P7/8/8/8/8/8/4K3 w - - 0 1";
const char *kQuiet = "4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1";

// kStatic: the static score of the position; kAny: not checked; kMany:
// more than one node.  Every row is also checked on its colour mirror.
TEST(QuietSearch, ScoresAndNodes) {
    const struct {
        const char *name, *fen;
        Q q;
        double score, nodes;
    } cases[] = {
        {"mated L5", kFools, Q().at(5), -899995, 0},
        {"mated L1", kFools, Q(), -899999, 0},
        {"mated L8", kScholars, Q().at(8), 899992, 0},
        {"mated at the ceiling", kFools, Q().at(11), -899989, 0},
        {"stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", Q().at(5), 0, 0},
        {"mate before fifty moves", kFools50, Q().at(3), -899997, 0},
        {"fifty moves", "4k3/8/8/8/8/8/8/QQQ1K3 w - - 100 80", Q().at(3), 0, 1},
        {"fifty moves, one more", "4k3/8/8/8/8/8/8/QQQ1K3 b - - 101 80", Q().at(3), 0, 1},
        {"king and knight", "8/8/8/4k3/8/8/8/3NK3 w - - 0 1", Q().at(2), 0, 1},
        {"bishops one colour", "8/8/3bk3/8/8/8/8/2B1K3 b - - 0 1", Q().at(2), 0, 1},
        // In check from e2: static at the ceiling, Kxe2 (a draw) one level up.
        {"ceiling in check", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", Q().at(11), kStatic, 1},
        {"check answered", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", Q().at(10), 0, kAny},
        {"stand pat", kQuiet, Q(), kStatic, 1},
        {"fail high", kQuiet, Q().window(-kWide, -500), kStatic, 1},
        // At remaining 0: recaptures and checking captures only.
        {"recapture", kQxd5, Q().at(2).rem(0).below(kBeforeQxd5), kAny, 2},
        {"not a recapture", kQxd5, Q().at(2).rem(0).below(""), kStatic, 1},
        {"capture with budget", kQxd5, Q().at(2).rem(1).below(""), kAny, 2},
        {"checking capture", kTakeW, Q().at(2).rem(0).checks(0).below(""), 899997, 1},
        {"checking capture L9", kTakeW, Q().at(9).rem(0).checks(0).below(""), 899990, 1},
        {"plain capture", kPlain, Q().at(2).rem(0).below(""), kStatic, 1},
        {"plain capture, budget", kPlain, Q().at(2).rem(1).below(""), kAny, 2},
        {"chain kept", kPlain, Q().at(2).rem(0).below("").chain(1), kAny, 2},
        {"chain kept two", kPlain, Q().at(2).rem(0).below("").chain(2), kAny, 2},
        // Quiet checks cost a check and check nodes; a reserve at the horizon.
        {"quiet check", kRankW, Q(), 899998, 1},
        {"quiet check L4", kRankW, Q().at(4), 899995, 1},
        {"last check", kRankW, Q().checks(1), 899998, 1},
        {"no checks left", kRankW, Q().checks(0), kStatic, 1},
        {"check nodes spent", kRankW, Q().checkNodesUsed(32), kStatic, 1},
        {"reserve at horizon", kRankW, Q().horizon(1).checkNodesUsed(32), 899998, 1},
        {"reserve needs 3 checks", kRankW, Q().checks(2).horizon(1).checkNodesUsed(32), kStatic, 1},
        {"no checks at L10", kRankW, Q().at(10), kStatic, 1},
        // Pawn forks cost a check, need level < 9 and a capture budget.
        {"fork no check", kForkW, Q().at(2).checks(0).below(""), kStatic, 1},
        {"fork L9", kForkW, Q().at(9).below(""), kAny, 1},
        {"fork remaining 0", kForkW, Q().at(2).rem(0).below(""), kAny, 1},
        // A threatened pawn fork forces every move below level 8 only.
        {"no alarm at L8", kPawnThreat, Q().at(8), kAny, 1},
        {"no alarm at L9", kPawnThreat, Q().at(9), kAny, 1},
        {"no alarm, nodes spent", kPawnThreat, Q().at(7).checkNodesUsed(32), kAny, 1},
        // En passant and promotions are captures; a checking one a quiet check.
        {"en passant", kEpW, Q().at(2).rem(1).below(""), kAny, kMany},
        {"en passant rem 0", kEpW, Q().at(2).rem(0).below(""), kAny, 1},
        {"checking ep rem 0", kEpCheck, Q().at(2).rem(0).below(""), kAny, kMany},
        {"checking ep, no checks", kEpCheck, Q().at(2).rem(0).checks(0).below(""), kAny, 1},
        {"promotion", kPromoW, Q().at(2).rem(1).below(""), kAny, kMany},
        {"promotion rem 0", kPromoW, Q().at(2).rem(0).below(""), kAny, 1},
    };
    for (const auto &c : cases)
        for (const bool twin : {false, true}) {
            const std::string fen = twin ? mirror_fen(c.fen) : c.fen, name = c.name + fen;
            const double stat = Static(fen);
            const Outcome o = Quiet(fen, twin ? c.q.mirrored() : c.q);
            if (c.score != kAny) {
                EXPECT_EQ(o.score, c.score == kStatic ? stat : twin ? -c.score : c.score) << name;
            }
            if (c.nodes == kMany) {
                EXPECT_GT(o.nodes, 1) << name;
            } else if (c.nodes != kAny) {
                EXPECT_EQ(o.nodes, c.nodes) << name;
            }
        }
}

// Two calls compared: the same result (an alarm acts as the explicit reply),
// fewer nodes for the first, or a gain of over 100 for the first's mover.
// Rows marked twin are also checked on their colour mirror.
TEST(QuietSearch, ComparedCalls) {
    enum Rel { kSame, kFewer, kGains };
    const char *knight = "4k3/8/8/8/3n4/8/2R1B3/4K3 w - - 0 1";      // Nd4 just forked c2, e2
    const char *support = "7k/6pp/4p3/3n4/8/8/7P/3Q1BK1 w - - 0 1";  // Bf1 may back Qd1
    const char *already = "7k/6pp/4p3/3n4/8/8/6BP/3Q2K1 w - - 0 1";
    const char *check = "7k/8/8/8/8/8/r4PPP/6K1 w - - 0 1";  // ...Ra1+ after a fork reply
    const Q alarm = Q().at(2).below("").horizon(2),
            inLine = Q().at(3).below("").horizon(1).alarm(1);
    const Q spent = Q().nodesUsed(64);
    const struct {
        const char *name, *fen;
        Q a, b;
        Rel rel;
        bool twin;
    } cases[] = {
        {"pawn-fork alarm", kPawnThreat, Q().at(7), Q().at(7).fork(2), kSame, false},
        {"pawn-fork alarm below L8", kPawnThreat, Q().at(8), Q().at(7), kFewer, false},
        {"knight alarm", knight, alarm, Q(alarm).fork(1), kSame, false},
        {"knight alarm off horizon", knight, Q(alarm).horizon(1), alarm, kFewer, false},
        {"knight alarm, check spent", knight, Q(alarm).checks(2), alarm, kFewer, false},
        {"knight alarm not at L1", knight, Q(alarm).at(1).horizon(1), alarm, kFewer, false},
        {"knight was there", knight, Q(alarm).below(knight), alarm, kFewer, false},
        {"pawn-fork reply costs a check", check, Q().at(7).checks(1).below("").fork(2),
         Q().at(7).checks(1).below("").fork(1), kFewer, false},
        {"support move in a check line", support, Q(inLine).horizon(5), inLine, kFewer, false},
        {"no support outside", support, Q().at(3).below("").horizon(1),
         Q().at(3).below("").horizon(5), kSame, false},
        {"no support when backed", already, inLine, Q(inLine).horizon(5), kSame, false},
        {"spent budget, one ply", kKiwipete, spent, Q(spent).rem(1), kSame, true},
        {"spent budget cuts", kKiwipete, spent, Q(), kFewer, true},
        {"pawn fork wins", kForkW, Q().at(2).below(""), Q().at(2).checks(0).below(""), kGains,
         true},
        {"recapture wins", kQxd5, Q().at(2).rem(0).below(kBeforeQxd5), Q().at(2).rem(0).below(""),
         kGains, false},
        {"promotion wins", kPromoW, Q().at(2).rem(1), Q().at(2).rem(0), kGains, false},
    };
    for (const auto &c : cases)
        for (const bool twin : {false, true}) {
            if (twin && !c.twin) continue;
            const std::string fen = twin ? mirror_fen(c.fen) : c.fen, name = c.name + fen;
            const Outcome a = Quiet(fen, twin ? c.a.mirrored() : c.a);
            const Outcome b = Quiet(fen, twin ? c.b.mirrored() : c.b);
            if (c.rel == kSame) {
                EXPECT_EQ(a.score, b.score) << name;
                EXPECT_EQ(a.nodes, b.nodes) << name;
            } else if (c.rel == kFewer) {
                EXPECT_LT(a.nodes, b.nodes) << name;
            } else {
                EXPECT_GT((twin ? -1 : 1) * (a.score - b.score), 100) << name;
                EXPECT_GT(a.nodes, b.nodes) << name;
            }
        }
}

// A position about to occur for the third time is a draw at every level,
// unless the side is mated.
TEST(QuietSearch, Repetition) {
    const auto search = [](const char *fen, int level, int pathIndex) {
        load_fen(fen);
        AddPositionHistory();
        for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
        if (pathIndex) {  // once in the game, once on the search path instead
            load_fen(fen);
            searchPositionKey_s[pathIndex] = SearchKeyForPlayer_s(1);
        }
        computerNodes = quietNodes = quietCheckNodes = quietCheckActive = searchIterationDepth = 0;
        return LimitedQuietSearch(1, 4, level, -kWide, kWide, 3, 0, 0);
    };
    for (int level : {1, 4, 11}) {
        EXPECT_EQ(search("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", level, 0), 0) << level;
        EXPECT_EQ(computerNodes, 0);
        if (level > 1) {
            EXPECT_EQ(search("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", level, level / 2), 0);
        }
        EXPECT_EQ(search(kFools, level, 0), mated_score(kWhite, level)) << level;
    }
}

// In check or answering a fork at level 10: every move, no stand pat, so the
// best static score over the children.
TEST(QuietSearch, ForcedNodesSearchEveryMove) {
    const struct {
        const char *fen;
        int player, forkReply;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/r3K2Q w - - 0 1", 1, 0},
        {"R3k2q/8/8/8/8/8/8/4K3 b - - 0 1", 2, 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, 1},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 2, 1},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 2, 2},
    };
    for (const auto &c : cases) {
        load_fen(c.fen);
        const double sign = c.player == 1 ? 1 : -1;
        double best = -kWide;
        int count = 0;
        for (int f = 0; f < 64; ++f)
            for (int t = 0; t < 64; ++t)
                if (PieceColor(board[f % 8][f / 8]) == c.player &&
                    IsMoveValid(f % 8, f / 8, t % 8, t / 8) == 1) {
                    SaveSearchState(0);
                    MakeSearchMove(f % 8, f / 8, t % 8, t / 8);
                    best = std::max(best, sign * EvaluateBoard());
                    RestoreSearchState(0);
                    ++count;
                }
        const Outcome o = Quiet(c.fen, Q().at(10).fork(c.forkReply));
        EXPECT_EQ(o.score, sign * best) << c.fen;
        EXPECT_EQ(o.nodes, 1 + count) << c.fen;
    }
}

// Stop request, passed deadline, deadlines inside the tree: 0, nothing
// changed, quietCheckActive kept; and no allocation while searching.
TEST(QuietSearch, StopsCleanlyAndAllocatesNothing) {
    const auto top = [](double player, double level) {
        quietNodes = quietCheckNodes = 0;
        return LimitedQuietSearch(player, 4, level, -kWide, kWide, 3, 0, 0);
    };
    for (int deadline : {0, 1}) {
        load_fen(kKiwipete);
        const State before = state_get();
        const double history = positionCount, stores = moveHashStores;
        computerNodes = 0;
        quietCheckActive = 2;
        searchTimedActive = deadline;
        searchDeadline = GetTimer() - 1;
        stop_requested.store(!deadline);
        EXPECT_EQ(top(1 + deadline, 1 + 2 * deadline), 0);
        stop_requested.store(0);
        searchTimedActive = 0;
        EXPECT_EQ(computerNodes, 0);
        EXPECT_EQ(quietCheckActive, 2);
        EXPECT_EQ(searchAborted, 1);
        searchAborted = 0;
        const State after = state_get();
        EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
        EXPECT_EQ(positionCount, history);
        EXPECT_EQ(moveHashStores, stores);
    }
    const double limits[3] = {quietNodeLimit, quietCheckLimit, zevivEzezoZtartLimit};
    quietNodeLimit = quietCheckLimit = zevivEzezoZtartLimit = 1e9;  // a long search
    for (const int side : {1, 2}) {
        load_fen(kKiwipete);
        const State before = state_get();
        computerNodes = quietCheckActive = 0;
        const double t0 = GetTimer(), full = top(side, 4);
        const double duration = GetTimer() - t0, fullNodes = computerNodes;
        ASSERT_GT(fullNodes, 200);
        int cutInside = 0;
        for (int k = 1; k <= 40; ++k) {
            searchTimedActive = 1;
            searchAborted = 0;
            quietCheckActive = 1;
            computerNodes = 0;
            searchDeadline = GetTimer() + duration * k / 40.0;
            const double score = top(side, 4);
            searchTimedActive = 0;
            const State after = state_get();
            EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before)) << k;
            EXPECT_EQ(quietCheckActive, 1) << k;
            if (searchAborted) {
                EXPECT_EQ(score, 0) << k;
                cutInside += computerNodes > 0 && computerNodes < fullNodes;
            }
        }
        EXPECT_GT(cutInside, 0);
        searchAborted = quietCheckActive = computerNodes = 0;
        EXPECT_EQ(top(side, 4), full);
        EXPECT_EQ(computerNodes, fullNodes);
    }
    quietNodeLimit = limits[0];
    quietCheckLimit = limits[1];
    zevivEzezoZtartLimit = limits[2];
    for (const char *fen :
         {kKiwipete, "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
          "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"}) {
        load_fen(fen);
        for (const int level : {1, 3, 6}) {
            const long before = g_allocations.load();
            top(currentPlayer, level);
            top(3 - currentPlayer, level);
            HasQuietLegalMove(1);
            HasPawnForkThreat(2);
            HasKnightForkThreat(1, 2);
            QueenMinorTarget(1);
            EXPECT_EQ(g_allocations.load(), before) << fen << " level " << level;
        }
    }
}

}  // namespace
