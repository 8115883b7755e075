// Bookkeeping of the evaluation cache (block 905) and the pawn cache
// (block 906): slot layout, hits and misses, eviction of side-to-move twins,
// slots claimed by the move hash, negative scores and cache sizes.
#include "frontend/quintar.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char *const kStartKey =
    "MNOPQONM"
    "LLLLLLLL"
    "AAAAAAAA"
    "AAAAAAAA"
    "AAAAAAAA"
    "AAAAAAAA"
    "BBBBBBBB"
    "CDEFGEDC"
    "B"       // White to move
    "AAAAAA"  // no castling flag set
    "AA";     // no en-passant square

// The slot a position falls into: a Horner sum over the 64 square codes.
double slot_offset() {
    double hash = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) hash = Mod(hash * 131 + board[x][y] + 1, 2147483647);
    return Mod(hash, evalHashSlots) * 128;
}

std::string slot_key(double offset) { return std::string(peek_s(905, offset + 1, 73).v); }

class EvalCache : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
};

TEST_F(EvalCache, StartUpSizeAndStartPositionSlot) {
    EXPECT_EQ(evalHashKB, 1024);
    EXPECT_EQ(evalHashSlots, 8192);
    EXPECT_EQ(memory_size[905], 1048576u);
    const double offset = slot_offset();
    EXPECT_EQ(EvaluateBoard(), 0);
    EXPECT_EQ(peek_n(905, offset, 1), 1);
    EXPECT_EQ(slot_key(offset), kStartKey);
    for (double o = 74; o < 80; o++) EXPECT_EQ(peek_n(905, offset + o, 1), 0);
    // 0 + 1000000 = 0x000F4240, little-endian.
    const double bytes[4] = {0x40, 0x42, 0x0F, 0x00};
    for (int i = 0; i < 4; i++) EXPECT_EQ(peek_n(905, offset + 80 + i, 1), bytes[i]);
}

TEST_F(EvalCache, MissThenHit) {
    load_fen("r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3");
    const double first = EvaluateBoard();
    EXPECT_EQ(evalHashMisses, 1);
    EXPECT_EQ(evalHashHits, 0);
    EXPECT_EQ(EvaluateBoard(), first);
    EXPECT_EQ(evalHashMisses, 1);
    EXPECT_EQ(evalHashHits, 1);
}

TEST_F(EvalCache, SideToMoveTwinsShareASlotAndEvictEachOther) {
    load_fen("4k3/4p3/8/8/8/8/8/4K3 w - - 0 1");
    const double offset = slot_offset();
    const double score = EvaluateBoard();
    for (int i = 0; i < 6; i++) {
        currentPlayer = 3 - currentPlayer;
        poke_n(905, offset + 84, 1, 1);  // a move entry of the other twin
        EXPECT_EQ(EvaluateBoard(), score);
        EXPECT_EQ(evalHashMisses, i + 2);
        EXPECT_EQ(evalHashHits, 0);
        EXPECT_EQ(peek_n(905, offset + 84, 1), 0) << "twin " << i;
        EXPECT_EQ(slot_key(offset)[64], static_cast<char>(65 + currentPlayer));
    }
}

TEST_F(EvalCache, ClaimedSlotOfTheSamePositionKeepsItsMove) {
    const double offset = slot_offset();
    EvaluateBoard();
    // The move hash claims the slot for this very position (state 2) and
    // stores a move code + 1 beside it.
    poke_n(905, offset, 2, 1);
    poke_n(905, offset + 84, 1, 1);
    poke_n(905, offset + 88, 797, 4);
    EXPECT_EQ(EvaluateBoard(), 0);
    EXPECT_EQ(evalHashMisses, 2);
    EXPECT_EQ(evalHashHits, 0);
    EXPECT_EQ(peek_n(905, offset, 1), 1);
    EXPECT_EQ(peek_n(905, offset + 84, 1), 1);
    EXPECT_EQ(peek_n(905, offset + 88, 4), 797);
    EXPECT_EQ(EvaluateBoard(), 0);
    EXPECT_EQ(evalHashHits, 1);
}

TEST_F(EvalCache, NegativeScoresRoundTrip) {
    // Stored by an evaluation: -127 is kept as 999873.
    load_fen("4k3/4p3/8/8/8/8/8/4K3 b - - 0 1");
    const double offset = slot_offset();
    EXPECT_EQ(EvaluateBoard(), -127);
    EXPECT_EQ(peek_n(905, offset + 80, 4), 999873);
    EXPECT_EQ(EvaluateBoard(), -127);
    EXPECT_EQ(evalHashHits, 1);
    // Planted in the slot: 999750 reads back as -250.
    poke_n(905, offset + 80, 999750, 4);
    EXPECT_EQ(EvaluateBoard(), -250);
}

TEST_F(EvalCache, Sizes) {
    struct Step {
        double kb, expectedKB;
        bool emptied;
    };
    // Unsupported sizes change nothing; accepted ones (the current one
    // included) start an empty cache and a new move-hash generation.
    const Step steps[] = {{256, 1024, false}, {-512, 1024, false}, {1023.5, 1024, false},
                          {512, 512, true},   {512, 512, true},    {0, 0, true},
                          {0, 0, true},       {1024, 1024, true}};
    EvaluateBoard();
    for (const Step &s : steps) {
        SCOPED_TRACE(s.kb);
        const unsigned char *block = memory[905];
        const double generation = moveHashGeneration, hits = evalHashHits;
        moveHashHits = moveHashStores = 5;
        SetEvalHash(s.kb);
        EXPECT_EQ(evalHashKB, s.expectedKB);
        EXPECT_EQ(evalHashSlots, s.expectedKB * 8);
        EXPECT_EQ(memory_size[905], s.expectedKB * 1024);
        EXPECT_EQ(moveHashGeneration, generation + s.emptied);
        EXPECT_EQ(moveHashHits + moveHashStores, s.emptied ? 0 : 10);
        EXPECT_EQ(EvaluateBoard(), 0);
        if (!s.emptied) {
            EXPECT_EQ(memory[905], block);
            EXPECT_EQ(evalHashHits, hits + 1);
        } else {
            EXPECT_EQ(evalHashHits, 0);
            EXPECT_EQ(evalHashMisses, s.expectedKB > 0 ? 1 : 0);
            if (s.expectedKB == 0) {
                EXPECT_EQ(memory[905], nullptr);
            }
        }
    }
}

// A slot count that promises more than block 905 holds must end the process
// with the memory-bounds message, never touch memory outside the block.
TEST_F(EvalCache, SlotOutsideTheBlockEndsTheProcess) {
    SetEvalHash(512);
    evalHashSlots = 8192;  // claims 1024 KB
    const char *fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "4k3/4p3/8/8/8/8/8/4K3 w - - 0 1",
        "k7/8/K7/8/8/8/8/1R6 w - - 0 1",
        "8/8/8/3k4/8/8/8/K6R w - - 0 1",
        "4k3/8/8/8/8/8/8/R3K3 w - - 0 1",
    };
    for (const char *fen : fens) {
        ASSERT_EQ(set_fen(fen), 1);
        if (slot_offset() < 524288) continue;
        EXPECT_EXIT(EvaluateBoard(), ::testing::ExitedWithCode(2), "memory bounds 905");
        return;
    }
    GTEST_SKIP() << "no test position falls into the upper half";
}

TEST_F(EvalCache, PawnCacheHitWhenOnlyPiecesMoved) {
    // The same pawns; a knight on c3 or b5.
    const char *fens[2] = {
        "r3k2r/ppp2ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPP2PPP/R3K2R w KQkq - 0 8",
        "r3k2r/ppp2ppp/2n1bn2/1N1pp3/3PP3/4BN2/PPP2PPP/R3K2R b KQkq - 1 8",
    };
    SetEvalHash(0);
    pawnCacheEnabled = 0;
    double reference[2];
    for (int i = 0; i < 2; i++) {
        ASSERT_EQ(set_fen(fens[i]), 1);
        reference[i] = EvaluateBoard();
    }
    EXPECT_EQ(pawnCacheHits + pawnCacheMisses, 0);

    pawnCacheEnabled = 1;
    const int order[3] = {0, 1, 0};
    for (int k = 0; k < 3; k++) {
        ASSERT_EQ(set_fen(fens[order[k]]), 1);
        EXPECT_EQ(EvaluateBoard(), reference[order[k]]);
        EXPECT_EQ(pawnCacheMisses, 1);
        EXPECT_EQ(pawnCacheHits, k);
    }
}

// Sixteen White pawns on the d- and f-files give the e-pawn 16 neighbours,
// one more than a feature word can hold.  Such a configuration is never
// validated in the pawn cache, so it scores the same with the cache as
// without it, however often it comes back.
TEST_F(EvalCache, OverfullPawnConfigurationIsNeverServedFromThePawnCache) {
    load_fen("k2P1P2/3P1P2/3P1P2/3P1P2/3PPP2/3P1P2/3P1P2/K2P1P2 w - - 0 1");
    SetEvalHash(0);
    pawnCacheEnabled = 0;
    const double reference = EvaluateBoard();
    pawnCacheEnabled = 1;
    for (int i = 0; i < 3; i++) EXPECT_EQ(EvaluateBoard(), reference) << i;
    EXPECT_EQ(pawnCacheHits, 0);
    EXPECT_EQ(pawnCacheMisses, 3);
}

TEST_F(EvalCache, PawnlessPositionUsesThePawnCache) {
    load_fen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    pawnCacheEnabled = 1;
    EvaluateBoard();
    EXPECT_EQ(pawnCacheMisses, 1);
    EXPECT_EQ(memory_size[906], 43008u);
    double hash = 0;
    for (int i = 0; i < 64; i++) hash = Mod(hash * 131 + 1, 2147483647);
    const double offset = Mod(hash, 128) * 336;
    EXPECT_EQ(peek_n(906, offset, 1), 1);
    EXPECT_EQ(std::string(peek_s(906, offset + 1, 64).v), std::string(64, 'A'));
    currentPlayer = 2;  // a new cache key, the same pawns
    EvaluateBoard();
    EXPECT_EQ(pawnCacheHits, 1);
    EXPECT_EQ(pawnCacheMisses, 1);
}

}  // namespace
