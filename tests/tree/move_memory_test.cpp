// Ordering memory and the move hash: killer slots, capped history rewards,
// the principal-variation table, the preferred line, the check test, and the
// move entry that shares the evaluation cache's slot and key.
#include "frontend/quintar.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MoveMemory, KillerSlots) {
    load_fen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    ClearKillerMoves();
    CollectInnerCaptures(1, 2);  // the capture list begins with Bxa6
    const double *bxa6 = innerCaptures[2 * kListEntriesPerLevel];
    struct Step {
        double fx, fy, tx, ty;
        double slot0, slot1;  // from-x of each slot afterwards
    } steps[] = {{3, 3, 3, 2, 3, -1},
                 {3, 3, 3, 2, 3, -1},
                 {6, 6, 6, 5, 6, 3},
                 {bxa6[0], bxa6[1], bxa6[2], bxa6[3], bxa6[0], 6}};
    for (const Step &s : steps) {
        RememberKiller(2, s.fx, s.fy, s.tx, s.ty);
        EXPECT_EQ(killerMoves[2][0], s.slot0);
        EXPECT_EQ(killerMoves[2][4], s.slot1);
    }
    EXPECT_EQ(IsKillerMove(2, 1, 6, 6, 6, 5), 1);
    EXPECT_EQ(IsKillerMove(2, 0, 6, 6, 6, 5), 0);
    EXPECT_EQ(IsKillerMove(2, 0, bxa6[0], bxa6[1], bxa6[2], bxa6[3]), 0);  // in the capture list
    ClearKillerMoves();
    for (int level = 0; level <= 7; ++level) EXPECT_EQ(IsKillerMove(level, 0, -1, -1, -1, -1), 0);
}

TEST(MoveMemory, HistoryRewardsAndCap) {
    const double increments[] = {81, 64, 49, 36, 25, 16, 9, 4, 1, 1};
    const int e2e4 = (6 * 8 + 4) * 64 + 4 * 8 + 4;
    for (int level = 0; level <= 9; ++level) {
        ClearSearchHistoryScores();
        RewardSearchHistory(1, level, 4, 6, 4, 4);
        EXPECT_EQ(searchHistoryScore[1][e2e4], increments[level]) << level;
        EXPECT_EQ(searchHistoryScore[2][e2e4], 0);
    }
    searchHistoryScore[1][e2e4] = 999997;
    RewardSearchHistory(1, 7, 4, 6, 4, 4);
    EXPECT_EQ(searchHistoryScore[1][e2e4], 1000000);
}

TEST(MoveMemory, PrincipalVariationAndPreferredLine) {
    reset_engine();
    for (int level = 0; level <= 12; ++level) ClearCurrentPVLine(level);
    StoreCurrentPV(2, 2, 6, 0, 5, 2);  // the line below: Ng8-f6 with Black to move
    currentPVFromX[2][4] = 1;          // stale square without its flag
    StoreCurrentPV(1, 1, 4, 6, 4, 4);
    EXPECT_EQ(currentPVPiece[1][1], 1);
    EXPECT_STREQ(currentPVKey_s[1][1].v, SearchKeyForPlayer_s(1).v);
    EXPECT_EQ(currentPVValid[1][2], 1);
    EXPECT_EQ(currentPVPiece[1][2], 13);
    EXPECT_STREQ(currentPVKey_s[1][2].v, SearchKeyForPlayer_s(2).v);
    EXPECT_EQ(currentPVValid[1][4], 0);
    EXPECT_EQ(currentPlayer, 1);

    ClearCurrentPVLine(2);
    StoreCurrentPV(1, 2, 6, 0, 5, 2);  // root line: g1f3, then g8f6
    StoreCurrentPV(0, 1, 6, 7, 5, 5);
    SavePreferredPV();
    EXPECT_EQ(preferredPVValid[0] + preferredPVValid[1] + preferredPVValid[2], 2);
    // Ply 1 is offered for this position with Black to move only.
    EXPECT_NE(PreferredPVAvailable(1, 2), 0);
    EXPECT_EQ(PreferredPVAvailable(1, 1), 0);
    EXPECT_EQ(PreferredPVAvailable(2, 2), 0);
    EXPECT_EQ(PreferredPVAvailable(0, 1), 0);
    preferredPVToX[1] = 8;  // off the board
    EXPECT_EQ(PreferredPVAvailable(1, 2), 0);
    ClearPreferredPV();
    for (int ply = 0; ply <= 11; ++ply) EXPECT_EQ(preferredPVValid[ply], 0);
}

TEST(MoveMemory, GivesCheck) {
    struct Case {
        const char *fen;
        int player, fx, fy, tx, ty;
        double gives;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 1, 0, 7, 0, 0, 1},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 1, 0, 7, 0, 1, 0},
        {"4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1", 1, 4, 4, 2, 3, 1},  // discovered
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", 1, 1, 1, 1, 0, 1},   // promotion to queen
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", 1, 4, 7, 6, 7, 1},    // castling rook on f1
        {"8/8/8/k2pP2R/8/8/8/7K w - d6 0 1", 1, 4, 3, 3, 2, 1},  // en passant opens the rank
        {"4k3/8/8/8/8/8/8/b3K2R b - - 0 1", 2, 0, 7, 2, 5, 1},
    };
    for (const Case &c : cases) {
        load_fen(c.fen);
        State before = state_get();
        EXPECT_EQ(SearchMoveGivesCheck(c.player, 3, c.fx, c.fy, c.tx, c.ty), c.gives) << c.fen;
        State after = state_get();
        EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before)) << c.fen;
    }
}

void StoreBest(int level, int fx, int fy, int tx, int ty) {
    currentPVValid[level][level] = 1;
    currentPVFromX[level][level] = fx;
    currentPVFromY[level][level] = fy;
    currentPVToX[level][level] = tx;
    currentPVToY[level][level] = ty;
    StoreMoveHash(level);
}

TEST(MoveHash, SharesTheEvaluationSlotAndKey) {
    // Black to move, White's short castling gone, en passant on e3.
    load_fen("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKB1R b Qkq e3 0 3");
    SetEvalHash(1024);
    const double score = EvaluateBoard();
    EXPECT_EQ(ProbeMoveHash(1, 2), -1);
    const double offset = moveHashOffset[1];
    EXPECT_EQ(peek_n(905, offset, 1), 1);
    StoreBest(1, 3, 4, 4, 5);              // dxe3 en passant
    EXPECT_EQ(peek_n(905, offset, 1), 1);  // the evaluation survives
    EXPECT_EQ(peek_n(905, offset + 88, 4), move_code(3, 4, 4, 5) + 1);
    const double hits = evalHashHits;
    EXPECT_EQ(EvaluateBoard(), score);
    EXPECT_EQ(evalHashHits, hits + 1);
    EXPECT_EQ(ProbeMoveHash(6, 2), move_code(3, 4, 4, 5));
    EXPECT_EQ(ProbeMoveHash(6, 1), -1);  // same squares, White to move: another key
    EXPECT_EQ(moveHashOffset[6], offset);
    StoreBest(6, 1, 7, 2, 5);  // Nb1-c3 for White evicts Black's entry and evaluation
    EXPECT_EQ(peek_n(905, offset, 1), 2);
    EXPECT_EQ(ProbeMoveHash(1, 2), -1);
    EXPECT_EQ(moveHashStores, 2);
    currentPlayer = 2;
    EvaluateBoard();  // the evaluation of Black's position drops White's move
    EXPECT_EQ(peek_n(905, offset + 84, 1), 0);
    EXPECT_EQ(ProbeMoveHash(1, 1), -1);
}

TEST(MoveHash, StoreRefusedAndPreferredLineFirst) {
    struct Case {
        const char *what;
        void (*between)();
    } cases[] = {
        {"aborted", [] { searchAborted = 1; }},
        {"cache rebuilt", [] { SetEvalHash(1024); }},
        {"cache off", [] { SetEvalHash(0); }},
        {"hash off", [] { moveHashEnabled = 0; }},
    };
    for (const Case &c : cases) {
        reset_engine();
        ProbeMoveHash(3, 1);
        c.between();
        StoreBest(3, 6, 7, 5, 5);
        searchAborted = 0;
        moveHashEnabled = 1;
        if (evalHashSlots == 0) SetEvalHash(1024);
        EXPECT_EQ(ProbeMoveHash(3, 1), -1) << c.what;
        EXPECT_EQ(peek_n(905, moveHashOffset[3], 1), 0) << c.what;
    }
    reset_engine();
    ProbeMoveHash(3, 1);
    StoreBest(3, 6, 7, 5, 5);  // g1f3 in the hash, e2e4 in the preferred line
    ClearPreferredPV();
    preferredPVValid[3] = 1;
    preferredPVFromX[3] = 4;
    preferredPVFromY[3] = 6;
    preferredPVToX[3] = 4;
    preferredPVToY[3] = 4;
    preferredPVKey_s[3] = SearchKeyForPlayer_s(1);
    EXPECT_EQ(PrepareMoveHashOrder(3, 1), 1);
    EXPECT_EQ(moveHashOrder[3], move_code(4, 6, 4, 4));
    EXPECT_EQ(PrepareMoveHashOrder(2, 1), 1);
    EXPECT_EQ(moveHashOrder[2], move_code(6, 7, 5, 5));
    poke_n(905, moveHashOffset[2] + 88, move_code(4, 0, 4, 1) + 1, 4);  // a Black king move
    EXPECT_EQ(PrepareMoveHashOrder(2, 1), 0);
    EXPECT_EQ(moveHashOrder[2], -1);
}

}  // namespace
