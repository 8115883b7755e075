// Search driver: iterative deepening from depth 1 up to computerDepth.
// The deepest iteration that finished answers; an iteration cut short by
// the clock or a stop is dropped, except that a first iteration which
// accepted a move still beats the plain fallback move.
//
// Globals read: computerPlayer, computerDepth, computerThinkSeconds, board,
// the first-pass record (firstPass*), and the result globals each iteration
// leaves.  Written: the result globals (computerBest*, computerBestMove_s,
// computerScore, computerNodes, computerReachedDepth, computerLegalMoves,
// computerSearchMilliseconds, learningChoiceUsed), searchTimedActive,
// searchDeadline, searchAborted, searchIterationDepth, the preferred root
// move (preferredFromX ..), firstPassValid, rootPreviousCount and
// rootCurrentCount; through the routines called, the killers, history
// scores and preferred principal variation.  searchIterationDone, when set,
// hears of every finished iteration.
#include "core/quin_core.h"

namespace {

void clear_preferred_root_move() {
    preferredFromX = preferredFromY = preferredToX = preferredToY = -1;
}

// The answer kept so far.
struct SavedAnswer {
    double fromX = -1, fromY = -1, toX = -1, toY = -1;
    HS move_s;
    double score = 0;
    double learningChoice = 0;
};

// The fallback: the first legal move in board order (from-square rank 8 to
// rank 1, file a to h, then the to-square in the same order).  False when
// the engine's side has no legal move.
bool find_fallback_move(SavedAnswer *saved) {
    for (int fy = 0; fy <= 7; ++fy) {
        for (int fx = 0; fx <= 7; ++fx) {
            const double piece = board[fx][fy];
            if (PieceColor(piece) != computerPlayer) continue;
            for (int ty = 0; ty <= 7; ++ty) {
                for (int tx = 0; tx <= 7; ++tx) {
                    if (IsMoveValid(fx, fy, tx, ty) == 0) continue;
                    saved->fromX = fx;
                    saved->fromY = fy;
                    saved->toX = tx;
                    saved->toY = ty;
                    saved->move_s = ComputerMoveText_s(piece, fx, fy, tx, ty);
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

double CalculateBestMove() {
    // Step 1. Reset the per-search state and clear the ordering memory.
    SavedAnswer saved;
    saved.move_s.v[0] = 0;
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

    // Step 2. The time budget.
    const double started = GetTimer();
    const double budget = 1000 * computerThinkSeconds;
    searchDeadline = started + budget;

    // Step 3. The fallback move, or with none mate or stalemate.
    if (!find_fallback_move(&saved)) {
        // The answer is set here in full, so that a stop that cuts the root
        // search short cannot leave the move of an earlier search in the
        // result globals.
        computerBestFromX = computerBestFromY = computerBestToX = computerBestToY = -1;
        computerBestMove_s = hs("---");
        computerNodes = 0;
        computerLegalMoves = 0;
        if (IsPlayerInCheck(computerPlayer) != 0) {
            computerScore = mated_score(static_cast<int>(computerPlayer), 0);
        } else {
            computerScore = 0;
        }
        searchIterationDepth = 1;
        CalculateSingleDepth();
        computerSearchMilliseconds = GetTimer() - started;
        return 0;
    }

    computerLegalMoves = CountLegalMoves(computerPlayer);
    saved.score = EvaluateBoard();  // the static score stands until an iteration finishes
    double totalNodes = 0;

    // Step 4. Iterative deepening: keep the answer of every iteration that
    // finishes; a decisive score ends the search.
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
                saved.fromX = computerBestFromX;
                saved.fromY = computerBestFromY;
                saved.toX = computerBestToX;
                saved.toY = computerBestToY;
                saved.learningChoice = learningChoiceUsed;
                saved.score = computerScore;
                saved.move_s = computerBestMove_s;
                SavePreferredPV();
                preferredFromX = saved.fromX;
                preferredFromY = saved.fromY;
                preferredToX = saved.toX;
                preferredToY = saved.toY;
                if (Abs(saved.score) >= kDecisiveScore) searchAborted = 1;
                if (searchIterationDone != nullptr)
                    searchIterationDone(totalNodes, GetTimer() - started);
            }
        }
        searchIterationDepth += 1;
    }

    // Step 5. With no finished iteration, the first iteration's best move so
    // far beats the fallback.
    if (computerReachedDepth == 0 && firstPassValid == 1) {
        saved.fromX = firstPassFromX;
        saved.fromY = firstPassFromY;
        saved.toX = firstPassToX;
        saved.toY = firstPassToY;
        saved.score = firstPassScore;
        saved.move_s = firstPassMove_s;
        saved.learningChoice = firstPassLearning;
    }

    // Step 6. Publish the answer.
    clear_preferred_root_move();
    searchTimedActive = 0;

    computerBestFromX = saved.fromX;
    computerBestFromY = saved.fromY;
    computerBestToX = saved.toX;
    computerBestToY = saved.toY;
    computerBestMove_s = saved.move_s;
    computerScore = saved.score;
    learningChoiceUsed = saved.learningChoice;
    computerNodes = totalNodes;
    computerSearchMilliseconds = GetTimer() - started;
    return 0;
}
