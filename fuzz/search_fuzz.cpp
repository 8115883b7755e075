// The search itself on positions built from the input: every position is
// reached by legal moves from one of a few seed positions, so it is legal
// and could occur in a game.  The engine is built with its Debug checks
// (assert) on, so every consistency check of the move lists, the board view,
// the legality shortcuts and the quiet search runs on the fuzzer's positions.
//
// Input: byte 0 picks the seed position, byte 1 the search depth (1 to 3),
// the perft depth (1 or 2) and the cache switches, byte 2 the time budget;
// every further byte picks the next move among the legal moves of the side
// to move (promotions once per piece), until the game ends or the input
// does.
//
// Checks beyond the engine's own, each ending in a trap:
// - the move count of perft, from the integer move generator, equals the
//   count of the double-board test IsMoveValid over every pair of squares
//   (and, at perft depth 2, over every reply of every move made by the
//   state stack's move maker);
// - the square pairs equal CountLegalMoves, and whether there is a move
//   at all HasLegalMove and HasQuietLegalMove;
// - the search leaves the position as it found it, answers with a legal
//   move when there is one (and "---" when there is none) and counts the
//   legal moves as CountLegalMoves does.
//
// The clock is the fuzzer's: each reading moves it on by 10 microseconds,
// so the search's time is its number of clock readings and the same input
// always stops at the same node, on any machine.
#include "core/quin_core.h"
#include "frontend/quintar.h"
#include "runtime/quin_runtime.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const char *const kSeeds[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "8/8/8/2k5/2pP4/8/B7/4K3 b - d3 0 3",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
};
constexpr int kSeedCount = sizeof kSeeds / sizeof kSeeds[0];

// Plies played from the seed at most: a longer game adds little but time.
constexpr int kMostPlies = 160;

double fuzzClockMs = 0;
double fuzz_clock() { return fuzzClockMs += 0.01; }

[[noreturn]] void disagree() { __builtin_trap(); }

// A legal move by the double-board test, with the piece a promotion makes
// (0 for none).
struct PairMove {
    int fx, fy, tx, ty, promotion;
};

bool promotes(int fx, int fy, int ty) { return IsPawn(board[fx][fy]) != 0 && (ty == 0 || ty == 7); }

// Every (from, to) pair of `side` that IsMoveValid accepts, in board order,
// a promotion once per piece it may become; returns the number of pairs.
int pair_moves(int side, PairMove *moves, int *count) {
    static const int kPromotions[4] = {5, 2, 4, 3};  // queen, rook, bishop, knight
    int pairs = 0, n = 0;
    for (int fy = 0; fy < 8; ++fy)
        for (int fx = 0; fx < 8; ++fx) {
            if (PieceColor(board[fx][fy]) != side) continue;
            for (int ty = 0; ty < 8; ++ty)
                for (int tx = 0; tx < 8; ++tx) {
                    if (IsMoveValid(fx, fy, tx, ty) == 0) continue;
                    ++pairs;
                    if (!promotes(fx, fy, ty)) {
                        if (moves != nullptr) moves[n] = {fx, fy, tx, ty, 0};
                        ++n;
                        continue;
                    }
                    for (int p : kPromotions) {
                        if (moves != nullptr) moves[n] = {fx, fy, tx, ty, p};
                        ++n;
                    }
                }
        }
    *count = n;
    return pairs;
}

// The text of a move as apply_uci reads it.
void move_text(const PairMove &m, char *text) {
    text[0] = static_cast<char>('a' + m.fx);
    text[1] = static_cast<char>('8' - m.fy);
    text[2] = static_cast<char>('a' + m.tx);
    text[3] = static_cast<char>('8' - m.ty);
    static const char kLetters[] = "  rnbq";  // by piece type: rook 2 to queen 5
    text[4] = m.promotion != 0 ? kLetters[m.promotion] : 0;
    text[5] = 0;
}

// perft(2) on the double board: every move made by the state stack's move
// maker, the replies counted by IsMoveValid.
uint64_t pair_perft2(int side, const PairMove *moves, int n) {
    uint64_t leaves = 0;
    for (int i = 0; i < n; ++i) {
        const PairMove &m = moves[i];
        const double piece = board[m.fx][m.fy];
        SaveSearchState(0);
        MakeSearchMove(m.fx, m.fy, m.tx, m.ty);
        if (m.promotion != 0) board[m.tx][m.ty] = m.promotion + (piece > 10 ? 10 : 0);
        int replies = 0;
        pair_moves(opponent_of(side), nullptr, &replies);
        leaves += static_cast<uint64_t>(replies);
        RestoreSearchState(0);
    }
    return leaves;
}

bool same_position(const State &a, const State &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    engine_clock_ms = fuzz_clock;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    // A fresh engine for every input, so that a finding replays alone.
    fuzzClockMs = 0;
    clock_vouch[0] = clock_vouch[1] = ClockVouch();
    init_engine();
    request_cancel[0] = 0;
    cancel_last = 0;
    stop_requested.store(0);
    pref_count = 0;
    if (!set_fen(kSeeds[data[0] % kSeedCount])) disagree();

    const int config = data[1];
    const int searchDepth = 1 + config % 3;
    const int perftDepth = (config & 0x08) != 0 ? 2 : 1;
    if ((config & 0x10) != 0) SetEvalHash((config & 0x20) != 0 ? 512 : 0);
    moveHashEnabled = (config & 0x40) != 0 ? 0 : 1;
    pawnCacheEnabled = (config & 0x80) != 0 ? 0 : 1;
    const double budgetMs = 1 + data[2] % 64;

    static PairMove moves[256];
    int n = 0;
    int side = static_cast<int>(currentPlayer);
    int pairs = pair_moves(side, moves, &n);
    for (size_t i = 3; i < size && i - 3 < kMostPlies && n > 0; ++i) {
        char text[6];
        move_text(moves[data[i] % n], text);
        if (apply_uci(text) != 1) disagree();
        side = static_cast<int>(currentPlayer);
        pairs = pair_moves(side, moves, &n);
    }

    // The legal moves, by the integer generator and by the double board.
    if (perft(1) != static_cast<uint64_t>(n)) disagree();
    if (CountLegalMoves(side) != pairs) disagree();
    if ((HasLegalMove(side) != 0) != (n > 0)) disagree();
    if ((HasQuietLegalMove(side) != 0) != (n > 0)) disagree();
    if (perftDepth == 2 && perft(2) != pair_perft2(side, moves, n)) disagree();

    // A short search of the position.
    const State before = state_get();
    computerPlayer = side;
    computerDepth = searchDepth;
    computerThinkSeconds = budgetMs / 1000;
    CalculateBestMove();
    if (!same_position(before, state_get())) disagree();
    if (n == 0) {
        if (std::strcmp(computerBestMove_s.v, "---") != 0) disagree();
        return 0;
    }
    if (computerLegalMoves != pairs) disagree();
    if (IsMoveValid(computerBestFromX, computerBestFromY, computerBestToX, computerBestToY) == 0)
        disagree();
    return 0;
}
