// Root move search: one iteration of iterative deepening over every legal
// move of the engine's side.  The preferred move goes first, then the
// collected list; each move is searched with a one-sided window, re-searched
// with the full window when it beats the best, and exact ties may be broken
// by the host's learning preferences.
//
// Globals read: computerPlayer, searchIterationDepth, board, moveCount, the
// preferred root move (preferredFromX ..), rootCaptures/rootCaptureCount,
// learningEnabled, endLearnFileOK.  Written: the result globals
// (computerBest*, computerBestMove_s, computerScore, computerNodes,
// computerLegalMoves), searchWinningAdvantage, learningChoiceUsed,
// quietNodes, quietCheckNodes, quietCheckActive, rootCurrentResult and
// rootCurrentCount, the first-pass record (firstPass*), the preferred root
// move (from the move hash) and, through the routines called, the search
// state, the current principal variation and the move hash.
#include "core/board/move_effects.h"
#include "core/board/move_rules.h"
#include "core/quin_core.h"
#include "core/tree/search_state.h"

namespace {

// Below every learning preference: the first move's preference beats it.
constexpr double kNoPreference = -1000000;

// The learning rule for this iteration's ties.
enum RootLearningMode { kNoLearning = 0, kOpeningLearning = 1, kEndgameLearning = 2 };

// Opening preferences apply while fewer moves than this have been played.
constexpr double kOpeningMoves = 16;

// learningChoiceUsed of a tie decided by the end-game table.
constexpr double kEndgameTieChoice = 3;

// Ties confirmed by a full-window search per iteration at most.
constexpr int kMaxCheckedTies = 2;

// Makes the root move, searches the reply and damps a winning repeat.
// The board is back in the root position afterwards.
double search_root_move(int fromX, int fromY, int toX, int toY, double opponent, double alpha,
                        double beta) {
    SaveSearchState(0);
    const MoveEffects move = move_effects(EngineBoard(), square_of(fromX, fromY), square_of(toX, toY));
    MoveUndo undo;
    do_move(move, undo);
    double score = SearchSelectedDepth(opponent, alpha, beta);
    score = DiscourageWinningRepeat(score, SearchPositionOccurrences(opponent, 1));
    take_back_search_move(move, undo, 0);
    return score;
}

bool on_board(double v) { return v >= 0 && v <= 7 && v == Int(v); }

RootLearningMode choose_learning_mode() {
    if (learningEnabled != 1) return kNoLearning;
    if (EndLearningPosition() == 1 && endLearnFileOK == 1) return kEndgameLearning;
    if (moveCount < kOpeningMoves) return kOpeningLearning;
    return kNoLearning;
}

// Until an iteration has finished, the root's move-hash move is the
// preferred root move.
void prefer_hash_move(double hashMoveCode) {
    if (preferredFromX >= 0 || hashMoveCode < 0) return;
    const int code = to_index(hashMoveCode, kMoveCodes);
    preferredFromX = move_from_x(code);
    preferredFromY = move_from_y(code);
    preferredToX = move_to_x(code);
    preferredToY = move_to_y(code);
}

struct RootMove {
    int fromX, fromY, toX, toY;
};

// The move of pass `rootOrderIndex`: -1 the preferred move, else the
// collected list's entry.  False when the pass has no playable move.
bool root_move_of_pass(int rootOrderIndex, RootMove *move) {
    if (rootOrderIndex < 0) {
        if (preferredFromX < 0) return false;
        // A preferred move off the board cannot be played; skip it.
        if (!on_board(preferredFromX) || !on_board(preferredFromY) || !on_board(preferredToX) ||
            !on_board(preferredToY)) {
            return false;
        }
        *move = {to_index(preferredFromX, 8), to_index(preferredFromY, 8),
                 to_index(preferredToX, 8), to_index(preferredToY, 8)};
        return true;
    }
    const double *row = rootCaptures[rootOrderIndex];
    *move = {to_index(row[kColFromX], 8), to_index(row[kColFromY], 8), to_index(row[kColToX], 8),
             to_index(row[kColToY], 8)};
    return true;
}

// The learning preference of a move under `mode`; its bonus in *bonus.
double root_preference(RootLearningMode mode, const HS &rootKey, double piece, const RootMove &m,
                       double *bonus) {
    *bonus = 0;
    if (mode == kOpeningLearning) {
        const HS candidateMove_s = ComputerMoveText_s(piece, m.fromX, m.fromY, m.toX, m.toY);
        return LearningPreference(rootKey, candidateMove_s, bonus);
    }
    if (mode == kEndgameLearning) {
        const HS candidateMove_s = EndSearchMove_s(piece, m.fromX, m.fromY, m.toX, m.toY);
        return EndLearningPreference(rootKey, candidateMove_s);
    }
    return 0;
}

// Every searched move feeds the ordering of the next iteration, with its
// score seen from the engine's side.
void record_root_result(const RootMove &m, double player, double score) {
    const int row = static_cast<int>(rootCurrentCount);
    if (row >= kRootRows) return;
    rootCurrentResult[row][kResultCode] = move_code(m.fromX, m.fromY, m.toX, m.toY);
    rootCurrentResult[row][kResultScore] = player == kBlack ? -score : score;
    rootCurrentCount += 1;
}

// The best move of the iteration so far.
struct RootBest {
    double score;
    double preference = kNoPreference;
    double preferenceBonus = 0;
    bool found = false;
    RootMove move = {0, 0, 0, 0};
    double piece = 0;
};

// Takes the move as the new best: its line becomes the level-0 principal
// variation, and in the first iteration it becomes the first-pass record.
void accept_root_move(RootBest &best, const RootMove &m, double piece, double player, double score,
                      double preference, double preferenceBonus) {
    StoreCurrentPV(0, player, m.fromX, m.fromY, m.toX, m.toY);
    if (searchIterationDepth == 1) {
        firstPassFromX = m.fromX;
        firstPassFromY = m.fromY;
        firstPassToX = m.toX;
        firstPassToY = m.toY;
        firstPassScore = score;
        firstPassMove_s = ComputerMoveText_s(piece, m.fromX, m.fromY, m.toX, m.toY);
        firstPassLearning = learningChoiceUsed;
        firstPassValid = 1;
    }
    best.move = m;
    best.piece = piece;
    best.score = score;
    best.preference = preference;
    best.preferenceBonus = preferenceBonus;
    best.found = true;
}

// Puts the iteration's answer into the result globals: the best move, or
// with no legal move "---" and the mate or stalemate score.
void publish_root_result(const RootBest &best, double player) {
    if (best.found) {
        StoreMoveHash(0);
        computerScore = best.score;
        computerBestFromX = best.move.fromX;
        computerBestFromY = best.move.fromY;
        computerBestToX = best.move.toX;
        computerBestToY = best.move.toY;
        computerBestMove_s = ComputerMoveText_s(best.piece, best.move.fromX, best.move.fromY,
                                                best.move.toX, best.move.toY);
        return;
    }
    computerScore = IsPlayerInCheck(player) != 0 ? mated_score(static_cast<int>(player), 0) : 0;
    computerBestMove_s = hs("---");
}

}  // namespace

double SearchSelectedDepth(double player, double alpha, double beta) {
    if (searchIterationDepth == 3) {
        return player == kWhite ? SearchWhiteReply(alpha, beta)
                                : SearchBlackFirstReply(alpha, beta);
    }
    return SearchDepth1(player, alpha, beta);
}

double CalculateSingleDepth() {
    // Step 1. Setup: counters, the root's static score and legal moves.
    learningChoiceUsed = 0;
    rootCurrentCount = 0;
    ClearCurrentPVLine(0);
    if (SearchTimeExpired() != 0) return 0;

    computerBestFromX = computerBestFromY = computerBestToX = computerBestToY = -1;
    computerNodes = 0;
    ResetQuietCounters();

    searchWinningAdvantage = EvaluateBoard();
    if (computerPlayer == kBlack) searchWinningAdvantage = -searchWinningAdvantage;
    computerLegalMoves = CountLegalMoves(computerPlayer);

    // Step 2. Learning mode.  The preference lookups ignore the key; the
    // root position's key is handed over as the natural one.
    const RootLearningMode rootLearningMode = choose_learning_mode();
    HS rootKey;
    rootKey.v[0] = 0;
    if (rootLearningMode != kNoLearning) rootKey = PositionKey_s();

    // Step 3. The hash move, then the root move list.
    prefer_hash_move(ProbeMoveHash(0, computerPlayer));
    CollectRootCaptures();
    if (SearchTimeExpired() != 0) return 0;

    const double player = computerPlayer;
    const double opponent = opponent_of(static_cast<int>(player));
    RootBest best;
    best.score = worst_score(static_cast<int>(player));
    int checkedTies = 0;

    // Step 4. The passes: the preferred move, then the collected moves.
    const int moveCountInList = static_cast<int>(rootCaptureCount);
    for (int rootOrderIndex = -1; rootOrderIndex < moveCountInList; ++rootOrderIndex) {
        const double movePass = rootOrderIndex < 0 ? -1 : 0;
        RootMove m;
        if (!root_move_of_pass(rootOrderIndex, &m)) continue;
        const double piece = board[m.fromX][m.fromY];
        if (PieceColor(piece) != player) continue;

        if (SearchTimeExpired() != 0) return 0;
        if (RootMovePass(m.fromX, m.fromY, m.toX, m.toY, movePass) == 0) continue;
        if (movePass == -1 && IsMoveValid(m.fromX, m.fromY, m.toX, m.toY) == 0) continue;

        computerNodes += 1;

        // Step 4a. Search with the one-sided window; re-search a move that
        // beats the best with the full window.
        double score;
        if (player == kWhite) {
            score = search_root_move(m.fromX, m.fromY, m.toX, m.toY, opponent, best.score,
                                     kInfiniteScore);
        } else {
            score = search_root_move(m.fromX, m.fromY, m.toX, m.toY, opponent, -kInfiniteScore,
                                     best.score);
        }
        if (SearchTimeExpired() != 0) return 0;

        const bool beatsBest = player == kWhite
                                   ? (best.score > -kInfiniteScore && score > best.score)
                                   : (best.score < kInfiniteScore && score < best.score);
        if (beatsBest) {
            score = search_root_move(m.fromX, m.fromY, m.toX, m.toY, opponent, -kInfiniteScore,
                                     kInfiniteScore);
            if (SearchTimeExpired() != 0) return 0;
        }

        // Step 4b. Acceptance: strictly better, or an exact tie that the
        // learning preference decides after a full-window confirmation.
        double preferenceBonus = 0;
        const double preference =
            root_preference(rootLearningMode, rootKey, piece, m, &preferenceBonus);

        bool acceptMove = false;
        double candidateLearningChoice = 0;
        const bool strictlyBetter = player == kWhite ? score > best.score : score < best.score;
        if (strictlyBetter) {
            acceptMove = true;
        } else if (rootLearningMode != kNoLearning && score == best.score &&
                   preference > best.preference && checkedTies < kMaxCheckedTies) {
            score = search_root_move(m.fromX, m.fromY, m.toX, m.toY, opponent, -kInfiniteScore,
                                     kInfiniteScore);
            if (SearchTimeExpired() != 0) return 0;
            checkedTies += 1;
            if (score == best.score) {
                acceptMove = true;
                candidateLearningChoice =
                    rootLearningMode == kEndgameLearning
                        ? kEndgameTieChoice
                        : LearningTieReason(preference, best.preference, preferenceBonus,
                                            best.preferenceBonus);
            }
        }

        // Step 4c. Record the move's score; take it as the best if accepted.
        record_root_result(m, player, score);
        if (acceptMove) {
            learningChoiceUsed = candidateLearningChoice;
            accept_root_move(best, m, piece, player, score, preference, preferenceBonus);
        }
    }

    // Step 5. Publication.
    publish_root_result(best, player);
    return 0;
}
