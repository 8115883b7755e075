// Every process-wide variable of the engine core, and their start values.
//
// Globals written: init_quin_globals sets the start values of the board and
// side state, the search limits and results, the learning switches, the
// cache and move-hash switches and counters, and the quiet-search budgets;
// the rest start at zero.  Nothing is read.
#include "core/quin_core.h"

#include <cstring>

double board[9][9];
double currentPlayer;
double whiteKingMoved, blackKingMoved;
double whiteRookAMoved, whiteRookHMoved, blackRookAMoved, blackRookHMoved;
double enPassantX, enPassantY;
double halfmoveClock, moveCount, positionCount;
HS positionHistory_s[kHistoryEntries];

double searchBoard[kLevels][65];
double searchWhiteKingMoved[kLevels], searchBlackKingMoved[kLevels];
double searchWhiteRookAMoved[kLevels], searchWhiteRookHMoved[kLevels];
double searchBlackRookAMoved[kLevels], searchBlackRookHMoved[kLevels];
double searchEnPassantX[kLevels], searchEnPassantY[kLevels];
double searchHalfmoveClock[kLevels];
HS searchPositionKey_s[kLevels];
double searchMarkVisible;

double computerPlayer, computerDepth, computerThinkSeconds;
double computerBestFromX, computerBestFromY, computerBestToX, computerBestToY;
HS computerBestMove_s;
double computerLegalMoves, computerNodes, computerReachedDepth, computerScore;
double computerSearchMilliseconds;
double searchTimedActive, searchDeadline, searchAborted, searchIterationDepth;
double preferredFromX, preferredFromY, preferredToX, preferredToY;
double firstPassFromX, firstPassFromY, firstPassToX, firstPassToY;
double firstPassScore, firstPassLearning, firstPassValid;
HS firstPassMove_s;
double searchWinningAdvantage;
void (*searchIterationDone)(double nodes, double milliseconds);

double rootCaptures[kRootRows][kListColumns];
double rootCaptureCount;
double rootCurrentResult[kRootRows][kResultColumns];
double rootCurrentCount;
double rootPreviousResult[kRootRows][kResultColumns];
double rootPreviousCount;
double rootResultOrderEnabled;

double learningEnabled, endLearnFileOK, learningChoiceUsed;
int pref_count;
char pref_move[kPrefEntries][8];
double pref_value[kPrefEntries];
double pref_bonus[kPrefEntries];

double preferredPVValid[kLevels];
double preferredPVFromX[kLevels], preferredPVFromY[kLevels];
double preferredPVToX[kLevels], preferredPVToY[kLevels];
double preferredPVPiece[kLevels];
HS preferredPVKey_s[kLevels];

double innerCaptures[kListRows][kListColumns];
double innerCaptureCount[9];
double historyQuietMoves[kListRows][kListColumns];
double historyQuietCount[9];

double killerMoves[9][9];
double searchHistoryScore[4][4097];
double currentPVFromX[kLevels][kLevels], currentPVFromY[kLevels][kLevels];
double currentPVToX[kLevels][kLevels], currentPVToY[kLevels][kLevels];
double currentPVPiece[kLevels][kLevels];
double currentPVValid[kLevels][kLevels];
HS currentPVKey_s[kLevels][kLevels];

HS moveHashKey_s[9];
double moveHashOffset[9];
double moveHashNodeGeneration[9];
double moveHashOrder[9];
double moveHashEnabled, moveHashGeneration, moveHashHits, moveHashStores;

double quietNodes, quietNodeLimit, quietCheckNodes, quietCheckLimit;
double zevivEzezoZtartLimit, quietCheckActive;

double evalHashKB, evalHashSlots, evalHashHits, evalHashMisses;
double pawnCacheEnabled, pawnCacheReady, pawnCacheHits, pawnCacheMisses;

double init_quin_globals() {
    whiteKingMoved = whiteRookAMoved = whiteRookHMoved = 0;
    blackKingMoved = blackRookAMoved = blackRookHMoved = 0;
    currentPlayer = 1;
    enPassantX = enPassantY = -1;
    halfmoveClock = moveCount = positionCount = 0;
    computerPlayer = 2;
    computerDepth = 8;
    computerThinkSeconds = 10;
    computerBestFromX = computerBestFromY = computerBestToX = computerBestToY = -1;
    computerBestMove_s = hs("---");
    computerLegalMoves = computerNodes = computerReachedDepth = computerScore = 0;
    computerSearchMilliseconds = 0;
    learningEnabled = 1;
    endLearnFileOK = 1;
    learningChoiceUsed = 0;
    firstPassFromX = firstPassFromY = firstPassToX = firstPassToY = -1;
    firstPassLearning = firstPassScore = firstPassValid = 0;
    firstPassMove_s = hs("");
    preferredFromX = preferredFromY = preferredToX = preferredToY = -1;
    evalHashKB = evalHashSlots = evalHashHits = evalHashMisses = 0;
    pawnCacheEnabled = 1;
    pawnCacheHits = pawnCacheMisses = pawnCacheReady = 0;
    moveHashEnabled = 1;
    moveHashGeneration = moveHashHits = moveHashStores = 0;
    quietCheckActive = quietCheckNodes = quietNodes = 0;
    quietCheckLimit = 64;
    zevivEzezoZtartLimit = 32;  // quiet-check-line nodes before checks need a reserve
    quietNodeLimit = 64;
    rootCaptureCount = rootCurrentCount = rootPreviousCount = 0;
    rootResultOrderEnabled = 1;
    searchAborted = searchDeadline = searchTimedActive = 0;
    searchIterationDepth = 1;
    searchMarkVisible = searchWinningAdvantage = 0;
    searchIterationDone = nullptr;
    return 0;
}
