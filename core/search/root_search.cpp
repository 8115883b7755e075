// Root move search: one iteration of iterative deepening over every legal
// move of the engine's side.  The preferred move goes first, then the
// collected list; each move is searched with a one-sided window, re-searched
// with the full window when it beats the best, and exact ties may be broken
// by the host's learning preferences.
#include "../quin_core.h"
#include "../../frontend/quintar.h"

namespace {

constexpr double kInfinity = 1000000;

// Makes the root move, searches the reply and damps a winning repeat.
// The board is back in the root position afterwards.
double search_root_move(int fromX, int fromY, int toX, int toY, double opponent, double alpha,
                        double beta) {
    SaveSearchState(0);
    MakeSearchMove(fromX, fromY, toX, toY);
    double score = SearchSelectedDepth(opponent, alpha, beta);
    score = DiscourageWinningRepeat(score, SearchPositionOccurrences(opponent, 1));
    RestoreSearchState(0);
    return score;
}

bool on_board(double v) { return v >= 0 && v <= 7 && v == Int(v); }

}  // namespace

double SearchSelectedDepth(double player, double alpha, double beta) {
    if (searchIterationDepth == 3) {
        return player == 1 ? SearchWhiteReply(alpha, beta) : SearchBlackFirstReply(alpha, beta);
    }
    return SearchDepth1(player, alpha, beta);
}

double CalculateSingleDepth() {
    // Setup.
    learningChoiceUsed = 0;
    rootCurrentCount = 0;
    ClearCurrentPVLine(0);
    if (SearchTimeExpired() != 0) return 0;

    computerBestFromX = computerBestFromY = computerBestToX = computerBestToY = -1;
    computerNodes = 0;
    ResetQuietCounters();

    searchWinningAdvantage = EvaluateBoard();
    if (computerPlayer == 2) searchWinningAdvantage = -searchWinningAdvantage;
    computerLegalMoves = CountLegalMoves(computerPlayer);

    // Learning mode for this iteration: 0 off, 1 opening, 2 end-game.
    int rootLearningMode = 0;
    if (learningEnabled == 1) {
        if (EndLearningPosition() == 1 && endLearnFileOK == 1) {
            rootLearningMode = 2;
        } else if (moveCount < 16) {
            rootLearningMode = 1;
        }
    }
    // The preference lookups ignore the key; the root position's key is
    // handed over as the natural one.
    HS rootKey;
    rootKey.v[0] = 0;
    if (rootLearningMode != 0) rootKey = PositionKey_s();

    const double hashMoveCode = ProbeMoveHash(0, computerPlayer);
    if (preferredFromX < 0 && hashMoveCode >= 0) {
        preferredFromX = Mod(Int(hashMoveCode / 64), 8);
        preferredFromY = Int(hashMoveCode / 512);
        preferredToX = Mod(hashMoveCode, 8);
        preferredToY = Mod(Int(hashMoveCode / 8), 8);
    }

    CollectRootCaptures();
    if (SearchTimeExpired() != 0) return 0;

    const double player = computerPlayer;
    const double opponent = 3 - player;
    double bestScore = player == 1 ? -kInfinity : kInfinity;
    double bestPreference = -1000000;
    double bestPreferenceBonus = 0;
    int checkedTies = 0;
    bool foundMove = false;
    int bestFromX = 0, bestFromY = 0, bestToX = 0, bestToY = 0;
    double bestPiece = 0;

    const int moveCountInList = static_cast<int>(rootCaptureCount);
    for (int rootOrderIndex = -1; rootOrderIndex < moveCountInList; ++rootOrderIndex) {
        const double movePass = rootOrderIndex < 0 ? -1 : 0;
        int fromX, fromY, toX, toY;
        if (rootOrderIndex < 0) {
            if (preferredFromX < 0) continue;
            // A preferred move off the board cannot be played; skip it.
            if (!on_board(preferredFromX) || !on_board(preferredFromY) || !on_board(preferredToX) ||
                !on_board(preferredToY)) {
                continue;
            }
            fromX = static_cast<int>(preferredFromX);
            fromY = static_cast<int>(preferredFromY);
            toX = static_cast<int>(preferredToX);
            toY = static_cast<int>(preferredToY);
        } else {
            const double *row = rootCaptures[rootOrderIndex];
            fromX = static_cast<int>(row[0]);
            fromY = static_cast<int>(row[1]);
            toX = static_cast<int>(row[2]);
            toY = static_cast<int>(row[3]);
        }
        const double piece = board[fromX][fromY];
        if (PieceColor(piece) != player) continue;

        if (SearchTimeExpired() != 0) return 0;
        if (RootMovePass(fromX, fromY, toX, toY, movePass) == 0) continue;
        if (movePass == -1 && IsMoveValid(fromX, fromY, toX, toY) == 0) continue;

        computerNodes += 1;

        double score;
        if (player == 1) {
            score = search_root_move(fromX, fromY, toX, toY, opponent, bestScore, kInfinity);
        } else {
            score = search_root_move(fromX, fromY, toX, toY, opponent, -kInfinity, bestScore);
        }
        if (SearchTimeExpired() != 0) return 0;

        const bool beatsBest = player == 1 ? (bestScore > -kInfinity && score > bestScore)
                                           : (bestScore < kInfinity && score < bestScore);
        if (beatsBest) {
            score = search_root_move(fromX, fromY, toX, toY, opponent, -kInfinity, kInfinity);
            if (SearchTimeExpired() != 0) return 0;
        }

        double preference = 0;
        double preferenceBonus = 0;
        if (rootLearningMode == 1) {
            const HS candidateMove_s = ComputerMoveText_s(piece, fromX, fromY, toX, toY);
            preference = LearningPreference(rootKey, candidateMove_s, &preferenceBonus);
        } else if (rootLearningMode == 2) {
            const HS candidateMove_s = EndSearchMove_s(piece, fromX, fromY, toX, toY);
            preference = EndLearningPreference(rootKey, candidateMove_s);
        }

        bool acceptMove = false;
        double candidateLearningChoice = 0;
        const bool strictlyBetter = player == 1 ? score > bestScore : score < bestScore;
        if (strictlyBetter) {
            acceptMove = true;
        } else if (rootLearningMode != 0 && score == bestScore && preference > bestPreference &&
                   checkedTies < 2) {
            // Confirm the tie with a full window before the preference decides.
            score = search_root_move(fromX, fromY, toX, toY, opponent, -kInfinity, kInfinity);
            if (SearchTimeExpired() != 0) return 0;
            checkedTies += 1;
            if (score == bestScore) {
                acceptMove = true;
                candidateLearningChoice =
                    rootLearningMode == 2 ? 3
                                          : LearningTieReason(preference, bestPreference,
                                                              preferenceBonus, bestPreferenceBonus);
            }
        }

        // Every searched move feeds the ordering of the next iteration, with
        // its score seen from the engine's side.
        const int row = static_cast<int>(rootCurrentCount);
        if (row < kRootRows) {
            rootCurrentResult[row][0] = fromY * 512 + fromX * 64 + toY * 8 + toX;
            rootCurrentResult[row][1] = player == 2 ? -score : score;
            rootCurrentCount += 1;
        }

        if (acceptMove) {
            learningChoiceUsed = candidateLearningChoice;
            StoreCurrentPV(0, player, fromX, fromY, toX, toY);
            if (searchIterationDepth == 1) {
                firstPassFromX = fromX;
                firstPassFromY = fromY;
                firstPassToX = toX;
                firstPassToY = toY;
                firstPassScore = score;
                firstPassMove_s = ComputerMoveText_s(piece, fromX, fromY, toX, toY);
                firstPassLearning = learningChoiceUsed;
                firstPassValid = 1;
            }
            bestFromX = fromX;
            bestFromY = fromY;
            bestToX = toX;
            bestToY = toY;
            bestPiece = piece;
            bestScore = score;
            bestPreference = preference;
            bestPreferenceBonus = preferenceBonus;
            foundMove = true;
        }
    }

    // Publication.
    if (foundMove) {
        StoreMoveHash(0);
        computerScore = bestScore;
        computerBestFromX = bestFromX;
        computerBestFromY = bestFromY;
        computerBestToX = bestToX;
        computerBestToY = bestToY;
        computerBestMove_s = ComputerMoveText_s(bestPiece, bestFromX, bestFromY, bestToX, bestToY);
    } else {
        if (IsPlayerInCheck(player) != 0) {
            computerScore = player == 1 ? -900000 : 900000;
        } else {
            computerScore = 0;
        }
        computerBestMove_s = hs("---");
    }
    return 0;
}
