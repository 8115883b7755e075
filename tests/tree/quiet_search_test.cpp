// The limited quiet search on hand-made positions: mate and draw scores, the
// static score, which captures, checks, forks, promotions and support moves
// it follows under its budgets, forced nodes, and a clean stop.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/allocation_counter.h"

namespace {

constexpr double kWide = 1000000, kStatic = 1e9, kAny = 2e9, kMany = -1;

// One top-level call.  `below`: nullptr leaves slot level-1 as it is, ""
// empties it, a FEN puts that position there (the one before the last move).
struct Q {
    int player = 1, level = 1, remaining = 4, checksLeft = 3;
    const char *below = nullptr;
    int forkReply = 0, chainKeep = 0;
    double depth = 0, checkNodes = 0, quietNodes = 0, active = 0, alpha = -kWide, beta = kWide;
};

struct Outcome {
    double score, nodes;
};

Outcome Quiet(const char *fen, const Q &q) {
    double slot[65] = {};
    if (q.below && *q.below) {
        load_fen(q.below);
        SaveSearchState(q.level - 1);
        std::memcpy(slot, searchBoard[q.level - 1], sizeof slot);
    }
    load_fen(fen);
    if (q.below) std::memcpy(searchBoard[q.level - 1], slot, sizeof slot);
    for (auto &key : searchPositionKey_s) std::memset(key.v, 0, sizeof key.v);
    searchIterationDepth = q.depth;
    quietNodes = q.quietNodes;
    quietCheckNodes = q.checkNodes;
    quietCheckActive = q.active;
    computerNodes = 0;
    const double score = LimitedQuietSearch(q.player, q.remaining, q.level, q.alpha, q.beta,
                                            q.checksLeft, q.forkReply, q.chainKeep);
    EXPECT_EQ(quietCheckActive, q.active) << fen;
    return {score, computerNodes};
}

double Static(const char *fen) {
    load_fen(fen);
    return EvaluateBoard();
}

const char *kFools = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
const char *kFools50 = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 100 60";
const char *kScholars = "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4";
const char *kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// Back-rank mates: by the quiet check Rb8 (Rb1-b8), by the capture Rxb8.
const char *kRankW = "6k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";
const char *kRankB = "1r4k1/8/8/8/8/8/5PPP/6K1 b - - 0 1";
const char *kTakeW = "1n4k1/5ppp/8/8/8/8/8/1R4K1 w - - 0 1";
const char *kTakeB = "1r4k1/8/8/8/8/8/5PPP/1N4K1 b - - 0 1";
// Rxb7 is a plain capture.
const char *kPlain = "6k1/1n3ppp/8/8/8/8/8/1R4K1 w - - 0 1";
// Black's queen has just taken a knight on d5; e4xd5 wins it back.
const char *kQxd5 = "7k/6pp/8/3q4/4P3/8/6PP/7K w - - 0 1";
const char *kBeforeQxd5 = "3q3k/6pp/8/3N4/4P3/8/6PP/7K b - - 0 1";
// d3-d4 forks c5 and e5; ...d6-d5 forks c4 and e4.
const char *kForkW = "7k/6pp/8/2n1b3/8/3PP3/6PP/7K w - - 0 1";
const char *kForkB = "k7/pp6/3pp3/8/2N1B3/8/6PP/7K b - - 0 1";
// Black threatens ...d5 against the knights on c4 and e4.
const char *kPawnThreat = "7k/3p4/8/8/2N1N3/8/8/4K3 w - - 0 1";
const char *kEpW = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
const char *kEpCheck = "8/2k5/8/3pP3/8/8/8/4K3 w - d6 0 1";  // exd6 checks
const char *kEpB = "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1";
const char *kPromoW = "7k/P7/8/8/8/8/8/4K3 w - - 0 1";
const char *kQuiet = "4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1";
const char *kPromoB = "4k3/8/8/8/8/8/p7/7K b - - 0 1";

// kStatic: the static score of the position; kAny: not checked;
// kMany: more than one node.
TEST(QuietSearch, ScoresAndNodes) {
    const struct {
        const char *name, *fen;
        Q q;
        double score, nodes;
    } cases[] = {
        {"white mated L5", kFools, {1, 5}, -899995, 0},
        {"black mated L5", kScholars, {2, 5}, 899995, 0},
        {"white mated L1", kFools, {1, 1}, -899999, 0},
        {"black mated L8", kScholars, {2, 8}, 899992, 0},
        {"mated at the ceiling", kFools, {1, 11}, -899989, 0},
        {"stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", {2, 5}, 0, 0},
        {"mate before fifty moves", kFools50, {1, 3}, -899997, 0},
        {"fifty moves", "4k3/8/8/8/8/8/8/QQQ1K3 w - - 100 80", {1, 3}, 0, 1},
        {"fifty moves black", "4k3/8/8/8/8/8/8/QQQ1K3 b - - 101 80", {2, 3}, 0, 1},
        {"king and knight", "8/8/8/4k3/8/8/8/3NK3 w - - 0 1", {1, 2}, 0, 1},
        {"bishops one colour", "8/8/3bk3/8/8/8/8/2B1K3 b - - 0 1", {2, 2}, 0, 1},
        // In check from e2: static at the ceiling, Kxe2 (a draw) one level up.
        {"ceiling in check", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", {1, 11}, kStatic, 1},
        {"check answered", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", {1, 10}, 0, kAny},
        {"stand pat", kQuiet, {1}, kStatic, 1},
        {"stand pat black", kQuiet, {2}, kStatic, 1},
        {"fail high", kQuiet, {1, 1, 4, 3, nullptr, 0, 0, 0, 0, 0, 0, -kWide, -500}, kStatic, 1},
        {"fail low", kQuiet, {2, 1, 4, 3, nullptr, 0, 0, 0, 0, 0, 0, 500}, kStatic, 1},
        // At remaining 0: recaptures and checking captures only.
        {"recapture", kQxd5, {1, 2, 0, 3, kBeforeQxd5}, kAny, 2},
        {"not a recapture", kQxd5, {1, 2, 0, 3, ""}, kStatic, 1},
        {"capture with budget", kQxd5, {1, 2, 1, 3, ""}, kAny, 2},
        {"checking capture", kTakeW, {1, 2, 0, 0, ""}, 899997, 1},
        {"checking capture black", kTakeB, {2, 2, 0, 0, ""}, -899997, 1},
        {"checking capture L9", kTakeW, {1, 9, 0, 0, ""}, 899990, 1},
        {"plain capture", kPlain, {1, 2, 0, 3, ""}, kStatic, 1},
        {"plain capture, budget", kPlain, {1, 2, 1, 3, ""}, kAny, 2},
        {"chain kept", kPlain, {1, 2, 0, 3, "", 0, 1}, kAny, 2},
        {"chain kept two", kPlain, {1, 2, 0, 3, "", 0, 2}, kAny, 2},
        // Quiet checks: {player, level, remaining, checks, below, fork, chain, depth, check nodes}.
        {"quiet check", kRankW, {1, 1}, 899998, 1},
        {"quiet check L4", kRankW, {1, 4}, 899995, 1},
        {"last check", kRankW, {1, 1, 4, 1}, 899998, 1},
        {"no checks left", kRankW, {1, 1, 4, 0}, kStatic, 1},
        {"check nodes spent", kRankW, {1, 1, 4, 3, nullptr, 0, 0, 0, 32}, kStatic, 1},
        {"reserve at horizon", kRankW, {1, 1, 4, 3, nullptr, 0, 0, 1, 32}, 899998, 1},
        {"reserve needs 3 checks", kRankW, {1, 1, 4, 2, nullptr, 0, 0, 1, 32}, kStatic, 1},
        {"no checks at L10", kRankW, {1, 10}, kStatic, 1},
        {"quiet check black", kRankB, {2, 1}, -899998, 1},
        {"quiet check L4 black", kRankB, {2, 4}, -899995, 1},
        {"last check black", kRankB, {2, 1, 4, 1}, -899998, 1},
        {"no checks left black", kRankB, {2, 1, 4, 0}, kStatic, 1},
        {"check nodes spent black", kRankB, {2, 1, 4, 3, nullptr, 0, 0, 0, 32}, kStatic, 1},
        {"reserve black", kRankB, {2, 1, 4, 3, nullptr, 0, 0, 1, 32}, -899998, 1},
        {"reserve needs 3 black", kRankB, {2, 1, 4, 2, nullptr, 0, 0, 1, 32}, kStatic, 1},
        {"no checks at L10 black", kRankB, {2, 10}, kStatic, 1},
        // Pawn forks cost a check, need level < 9 and a capture budget.
        {"fork no check", kForkW, {1, 2, 4, 0, ""}, kStatic, 1},
        {"fork L9", kForkW, {1, 9, 4, 3, ""}, kAny, 1},
        {"fork remaining 0", kForkW, {1, 2, 0, 3, ""}, kAny, 1},
        {"fork no check black", kForkB, {2, 2, 4, 0, ""}, kStatic, 1},
        {"fork L9 black", kForkB, {2, 9, 4, 3, ""}, kAny, 1},
        {"fork remaining 0 black", kForkB, {2, 2, 0, 3, ""}, kAny, 1},
        // A threatened pawn fork forces every move below level 8 only.
        {"no alarm at L8", kPawnThreat, {1, 8}, kAny, 1},
        {"no alarm at L9", kPawnThreat, {1, 9}, kAny, 1},
        {"no alarm, nodes spent", kPawnThreat, {1, 7, 4, 3, nullptr, 0, 0, 0, 32}, kAny, 1},
        // En passant and promotions are captures; a checking one a quiet check.
        {"en passant", kEpW, {1, 2, 1, 3, ""}, kAny, kMany},
        {"en passant rem 0", kEpW, {1, 2, 0, 3, ""}, kAny, 1},
        {"checking ep rem 0", kEpCheck, {1, 2, 0, 3, ""}, kAny, kMany},
        {"checking ep, no checks", kEpCheck, {1, 2, 0, 0, ""}, kAny, 1},
        {"en passant black", kEpB, {2, 2, 1, 3, ""}, kAny, kMany},
        {"en passant black rem 0", kEpB, {2, 2, 0, 3, ""}, kAny, 1},
        {"promotion", kPromoW, {1, 2, 1, 3, ""}, kAny, kMany},
        {"promotion rem 0", kPromoW, {1, 2, 0, 3, ""}, kAny, 1},
        {"promotion black", kPromoB, {2, 2, 1, 3, ""}, kAny, kMany},
        {"promotion black rem 0", kPromoB, {2, 2, 0, 3, ""}, kAny, 1},
    };
    for (const auto &c : cases) {
        const double stat = Static(c.fen);
        const Outcome o = Quiet(c.fen, c.q);
        if (c.score != kAny) {
            EXPECT_EQ(o.score, c.score == kStatic ? stat : c.score) << c.name;
        }
        if (c.nodes == kMany) {
            EXPECT_GT(o.nodes, 1) << c.name;
        } else if (c.nodes != kAny) {
            EXPECT_EQ(o.nodes, c.nodes) << c.name;
        }
    }
}

// Two calls compared: the same result (an alarm acts as the explicit reply),
// fewer nodes for the first, or a gain of over 100 for the first's mover.
TEST(QuietSearch, ComparedCalls) {
    enum Rel { kSame, kFewer, kGains };
    const char *knight = "4k3/8/8/8/3n4/8/2R1B3/4K3 w - - 0 1";      // Nd4 just forked c2, e2
    const char *support = "7k/6pp/4p3/3n4/8/8/7P/3Q1BK1 w - - 0 1";  // Bf1 may back Qd1
    const char *already = "7k/6pp/4p3/3n4/8/8/6BP/3Q2K1 w - - 0 1";
    const char *check = "7k/8/8/8/8/8/r4PPP/6K1 w - - 0 1";  // ...Ra1+ after a fork reply
    const Q alarm{1, 2, 4, 3, "", 0, 0, 2}, inLine{1, 3, 4, 3, "", 0, 0, 1, 0, 0, 1};
    const Q spent{1, 1, 4, 3, nullptr, 0, 0, 0, 0, 64}, spentB{2, 1, 4, 3, nullptr, 0, 0, 0, 0, 64};
    const struct {
        const char *name, *fen;
        Q a, b;
        Rel rel;
    } cases[] = {
        {"pawn-fork alarm", kPawnThreat, {1, 7}, {1, 7, 4, 3, nullptr, 2}, kSame},
        {"pawn-fork alarm below L8", kPawnThreat, {1, 8}, {1, 7}, kFewer},
        {"knight alarm", knight, alarm, {1, 2, 4, 3, "", 1, 0, 2}, kSame},
        {"knight alarm off horizon", knight, {1, 2, 4, 3, "", 0, 0, 1}, alarm, kFewer},
        {"knight alarm, check spent", knight, {1, 2, 4, 2, "", 0, 0, 2}, alarm, kFewer},
        {"knight alarm not at L1", knight, {1, 1, 4, 3, "", 0, 0, 1}, alarm, kFewer},
        {"knight was there", knight, {1, 2, 4, 3, knight, 0, 0, 2}, alarm, kFewer},
        {"pawn-fork reply costs a check", check, {1, 7, 4, 1, "", 2}, {1, 7, 4, 1, "", 1}, kFewer},
        {"support move in a check line",
         support,
         {1, 3, 4, 3, "", 0, 0, 5, 0, 0, 1},
         inLine,
         kFewer},
        {"no support outside",
         support,
         {1, 3, 4, 3, "", 0, 0, 1},
         {1, 3, 4, 3, "", 0, 0, 5},
         kSame},
        {"no support when backed", already, inLine, {1, 3, 4, 3, "", 0, 0, 5, 0, 0, 1}, kSame},
        {"spent budget, one ply", kKiwipete, spent, {1, 1, 1, 3, nullptr, 0, 0, 0, 0, 64}, kSame},
        {"spent budget black", kKiwipete, spentB, {2, 1, 1, 3, nullptr, 0, 0, 0, 0, 64}, kSame},
        {"spent budget cuts", kKiwipete, spent, {1}, kFewer},
        {"spent budget cuts black", kKiwipete, spentB, {2}, kFewer},
        {"pawn fork wins", kForkW, {1, 2, 4, 3, ""}, {1, 2, 4, 0, ""}, kGains},
        {"pawn fork wins black", kForkB, {2, 2, 4, 3, ""}, {2, 2, 4, 0, ""}, kGains},
        {"recapture wins", kQxd5, {1, 2, 0, 3, kBeforeQxd5}, {1, 2, 0, 3, ""}, kGains},
        {"promotion wins", kPromoW, {1, 2, 1}, {1, 2, 0}, kGains},
    };
    for (const auto &c : cases) {
        const Outcome a = Quiet(c.fen, c.a), b = Quiet(c.fen, c.b);
        if (c.rel == kSame) {
            EXPECT_EQ(a.score, b.score) << c.name;
            EXPECT_EQ(a.nodes, b.nodes) << c.name;
        } else if (c.rel == kFewer) {
            EXPECT_LT(a.nodes, b.nodes) << c.name;
        } else {
            EXPECT_GT((c.a.player == 1 ? 1 : -1) * (a.score - b.score), 100) << c.name;
            EXPECT_GT(a.nodes, b.nodes) << c.name;
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
        EXPECT_EQ(search(kFools, level, 0), level - 900000) << level;
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
        const Outcome o = Quiet(c.fen, {c.player, 10, 4, 3, nullptr, c.forkReply});
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
