// Search driver: iterative deepening from depth 1 up to computerDepth.
// The deepest iteration that finished answers; an iteration cut short by
// the clock or a stop is dropped, except that a first iteration which
// accepted a move still beats the plain fallback move.
#include "../quin_core.h"
#include "../../frontend/quintar.h"

namespace {

void clear_preferred_root_move() {
    preferredFromX = preferredFromY = preferredToX = preferredToY = -1;
}

}  // namespace

double CalculateBestMove() {
    HS savedMove_s;
    savedMove_s.v[0] = 0;
    rootPreviousCount = 0;
    rootCurrentCount = 0;
    firstPassValid = 0;
    learningChoiceUsed = 0;

    clear_preferred_root_move();
    searchTimedActive = 0;
    searchAborted = 0;
    computerReachedDepth = 0;
    computerSearchMilliseconds = 0;

    ClearPreferredPV();
    ClearKillerMoves();
    ClearSearchHistoryScores();

    const double started = GetTimer();
    const double budget = 1000 * computerThinkSeconds;
    searchDeadline = started + budget;

    // Fallback: the first legal move in board order.
    bool found = false;
    double savedFromX = -1, savedFromY = -1, savedToX = -1, savedToY = -1;
    for (int fy = 0; fy <= 7 && !found; ++fy) {
        for (int fx = 0; fx <= 7 && !found; ++fx) {
            const double piece = board[fx][fy];
            if (PieceColor(piece) != computerPlayer) continue;
            for (int ty = 0; ty <= 7 && !found; ++ty) {
                for (int tx = 0; tx <= 7 && !found; ++tx) {
                    if (IsMoveValid(fx, fy, tx, ty) == 0) continue;
                    found = true;
                    savedFromX = fx;
                    savedFromY = fy;
                    savedToX = tx;
                    savedToY = ty;
                    savedMove_s = ComputerMoveText_s(piece, fx, fy, tx, ty);
                }
            }
        }
    }

    if (!found) {
        // Mate or stalemate.  The answer is set here in full, so that a
        // stop that cuts the root search short cannot leave the move of an
        // earlier search in the result globals.
        computerBestFromX = computerBestFromY = computerBestToX = computerBestToY = -1;
        computerBestMove_s = hs("---");
        computerNodes = 0;
        computerLegalMoves = 0;
        if (IsPlayerInCheck(computerPlayer) != 0) {
            computerScore = computerPlayer == 1 ? -900000 : 900000;
        } else {
            computerScore = 0;
        }
        searchIterationDepth = 1;
        CalculateSingleDepth();
        computerSearchMilliseconds = GetTimer() - started;
        return 0;
    }

    computerLegalMoves = CountLegalMoves(computerPlayer);
    double savedScore = EvaluateBoard();
    double savedLearningChoice = 0;
    double totalNodes = 0;

    searchTimedActive = 1;
    searchIterationDepth = 1;

    while (searchAborted == 0 && searchIterationDepth <= computerDepth) {
        if (SearchTimeExpired() == 0) {
            computerNodes = 0;
            ClearKillerMoves();
            CalculateSingleDepth();
            totalNodes += computerNodes;
            if (searchAborted == 0) {
                computerReachedDepth = searchIterationDepth;
                CommitRootResults();
                savedFromX = computerBestFromX;
                savedFromY = computerBestFromY;
                savedToX = computerBestToX;
                savedToY = computerBestToY;
                savedLearningChoice = learningChoiceUsed;
                savedScore = computerScore;
                savedMove_s = computerBestMove_s;
                SavePreferredPV();
                preferredFromX = savedFromX;
                preferredFromY = savedFromY;
                preferredToX = savedToX;
                preferredToY = savedToY;
                if (Abs(savedScore) >= 800000) searchAborted = 1;
            }
        }
        searchIterationDepth += 1;
    }

    if (computerReachedDepth == 0 && firstPassValid == 1) {
        savedFromX = firstPassFromX;
        savedFromY = firstPassFromY;
        savedToX = firstPassToX;
        savedToY = firstPassToY;
        savedScore = firstPassScore;
        savedMove_s = firstPassMove_s;
        savedLearningChoice = firstPassLearning;
    }

    clear_preferred_root_move();
    searchTimedActive = 0;

    computerBestFromX = savedFromX;
    computerBestFromY = savedFromY;
    computerBestToX = savedToX;
    computerBestToY = savedToY;
    computerBestMove_s = savedMove_s;
    computerScore = savedScore;
    learningChoiceUsed = savedLearningChoice;
    computerNodes = totalNodes;
    computerSearchMilliseconds = GetTimer() - started;
    return 0;
}
