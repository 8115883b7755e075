// The pawn cache (block 906) never serves a pawn structure too full for its
// feature word, and a square value that names no piece scores the same
// through the evaluation cache (which reads the squares from its key) as
// read from the board.  The evaluation corpus checks the scores under every
// cache setting.
#include "core/board/move_effects.h"
#include "core/eval/cache_layout.h"
#include "tests/test_support.h"

#include <cmath>

namespace {

// Regression: sixteen White pawns on the d- and f-files give the e-pawn 16
// neighbours, one more than a feature word holds.  Such a structure is never
// served from the pawn cache, so it scores the same with it as without.
TEST(EvalCache, OverfullPawnConfigurationIsNeverServedFromThePawnCache) {
    load_fen("k2P1P2/3P1P2/3P1P2/3P1P2/3PPP2/3P1P2/3P1P2/K2P1P2 w - - 0 1");
    SetEvalHash(0);
    pawnCacheEnabled = 0;
    const double reference = EvaluateBoard();
    pawnCacheEnabled = 1;
    for (int i = 0; i < 3; i++) EXPECT_EQ(EvaluateBoard(), reference) << i;
    EXPECT_EQ(pawnCacheHits, 0);
    EXPECT_EQ(pawnCacheMisses, 3);
}

// Values written onto e4 of the start position (with d2 emptied so that
// the e4 square matters to the pawns): the key character of a square is
// Chr(value + 65) cut to 8 bits, so 257 and 267 share their character with
// a White and a Black pawn, and must still count as no piece at all.
struct OddSquare {
    const char *name;
    double value;
};

const OddSquare kOddSquares[] = {
    {"white_pawn", 1},       {"black_queen", 15},
    {"code_7", 7},           {"code_10", 10},
    {"code_17", 17},         {"minus_one", -1},
    {"aliases_pawn", 257},   {"aliases_black_pawn", 267},
    {"largest_plain", 4094}, {"fraction", 1.5},
};

TEST(EvalCache, SquareValuesThatNameNoPieceScoreAsReadFromTheBoard) {
    for (const OddSquare &c : kOddSquares) {
        reset_engine();
        board[3][6] = 0;
        board[4][4] = c.value;
        pawnCacheEnabled = 0;
        const double reference = EvaluateBoardUncached();
        pawnCacheEnabled = 1;
        SetEvalHash(1024);
        EXPECT_EQ(EvaluateBoard(), reference) << c.name;
        EXPECT_EQ(EvaluateBoard(), reference) << c.name << ", cached";
        if (c.value >= 0 && c.value <= 16 && c.value == static_cast<int>(c.value)) {
            // A code a board view holds: the view's evaluation keeps the key's path.
            EXPECT_EQ(evaluate_on_view(board_view()), reference) << c.name << ", view";
        }
    }
}

// The cache slot of a position comes from the square hash: over the ranks
// from a8 and each rank's files from a, hash = (hash * 131 + value + 1)
// mod (2^31 - 1), then mod the slot count.  Whole codes of every size, up to
// and past the 16-bit and 4096 marks, must land in that slot whether the
// hash is taken from integers or from the doubles.
TEST(EvalCache, SlotFollowsTheSquareHashForAnyWholeValue) {
    const double values[] = {0,    1,     16,   -1,    -2,         254,       255,   256,
                             4094, 4095,  4096, 32767, 32768,      65535,     65536, 70000,
                             1e6,  -3000, 0.5,  1e10,  2147483647, 2147483648};
    for (const double value : values) {
        reset_engine();
        SetEvalHash(1024);
        moveHashEnabled = 1;
        board[3][4] = value;  // d4
        board[5][2] = value;  // f6, a second square in the same multiply-add lane pairs
        double hash = 0;
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++) hash = std::fmod(hash * 131 + board[x][y] + 1, 2147483647);
        ProbeMoveHash(0, 1);
        EXPECT_EQ(moveHashOffset[0], std::fmod(hash, evalHashSlots) * 128) << value;
    }
}

// The quiet search keys a child from its parent's key and the move: the
// sums (the square sum, the pawn hash sum and the phase material) after
// every legal move, castling's rook, an en-passant victim
// and each promotion piece included, are the sums of the position worked out
// afresh, and so are the hash and the key text.
TEST(EvalCache, KeyAfterAMoveIsTheKeyWorkedOutAfresh) {
    const char *const fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
        "rnbqkbnr/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3",
        "r3k2r/1P6/8/8/8/8/6p1/R3K2R b KQkq - 7 1",
    };
    SetEvalHash(1024);
    int moves = 0;
    for (const char *fen : fens) {
        load_fen(fen);
        const BoardView v = board_view();
        ViewEvalKey before;
        prepare_view_eval(v, before);
        for_each_legal_move(currentPlayer, [&](int fx, int fy, int tx, int ty) {
            MoveEffects e = move_effects(v, square_of(fx, fy), square_of(tx, ty));
            for (const int type : {kQueen, kRook, kBishop, kKnight}) {
                if (e.promotion()) e.promote_to(type);
                BoardView after = v;
                MoveUndo undo;
                do_move(e, undo, after);
                ViewEvalKey stepped, fresh;
                prepare_view_eval_known(after, prefetch_view_eval_after(before.sums, e), stepped);
                prepare_view_eval(after, fresh);
                const std::string move = std::string(fen) + " " + move_text(fx, fy, tx, ty) +
                                         " as " + std::to_string(type);
                EXPECT_EQ(stepped.sums.squares, fresh.sums.squares) << move;
                EXPECT_EQ(stepped.sums.pawns, fresh.sums.pawns) << move;
                EXPECT_EQ(stepped.sums.phase, fresh.sums.phase) << move;
                EXPECT_EQ(stepped.hash, fresh.hash) << move;
                EXPECT_EQ(std::memcmp(stepped.key, fresh.key, kKeyBytes), 0) << move;
                undo_move(e, undo);
                ++moves;
                if (!e.promotion()) break;
            }
        });
    }
    EXPECT_GT(moves, 100);
}

}  // namespace
