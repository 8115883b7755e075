// The engine core: board and rules, search control, tree search and
// evaluation.  All state is process-wide; every number is a double and
// every string an HS.  Functions with no result of their own return 0.
#pragma once

#include "runtime/quin_runtime.h"
#include "core/types.h"

// ---------------------------------------------------------------- board
// board[x][y]: x the file (0 = a), y the rank from Black's side (0 = rank 8).
extern double board[9][9];
extern double currentPlayer;
extern double whiteKingMoved, blackKingMoved;
extern double whiteRookAMoved, whiteRookHMoved, blackRookAMoved, blackRookHMoved;
extern double enPassantX, enPassantY;
extern double halfmoveClock, moveCount, positionCount;

double PieceColor(double piece);
double IsPawn(double piece);
double UpdateCastlingRights(double piece, double fromX, double fromY, double toX, double toY,
                            double capturedPiece);

// move validation
double IsMoveValid(double fromX, double fromY, double toX, double toY);
double IsBasicMoveValid(double fromX, double fromY, double toX, double toY);
double IsPawnMoveValid(double fromX, double fromY, double toX, double toY);
double IsKnightMoveValid(double fromX, double fromY, double toX, double toY);
double IsBishopMoveValid(double fromX, double fromY, double toX, double toY);
double IsRookMoveValid(double fromX, double fromY, double toX, double toY);
double IsQueenMoveValid(double fromX, double fromY, double toX, double toY);
double IsKingNormalMoveValid(double fromX, double fromY, double toX, double toY);
double IsCastleValid(double fromX, double fromY, double toX, double toY);

// attacks and check
double IsSquareAttacked(double x, double y, double attackerColor);
double PieceAttacksSquare(double fromX, double fromY, double toX, double toY);
double FindKing(double player);
double IsPlayerInCheck(double player);

// game-state queries
double HasLegalMove(double player);
double CountLegalMoves(double player);
double IsInsufficientMaterial();

// position keys and history
constexpr int kHistoryEntries = 1002;
extern HS positionHistory_s[kHistoryEntries];
HS PositionKey_s();
// Writes the key of the current position with `side` as the side to move
// (as PositionKey_s gives it with currentPlayer set to `side`) into dst,
// NUL-terminated, and returns the end of the text.  dst holds 512 bytes.
// The search's hot paths write keys in place with it instead of copying HS
// values.
char *WritePositionKey(char *dst, double side);
HS EffectiveEnPassant_s();
double ClearPositionHistory();
double AddPositionHistory();

// ---------------------------------------------------------- search state
constexpr int kLevels = 13;
extern double searchBoard[kLevels][65];
extern double searchWhiteKingMoved[kLevels], searchBlackKingMoved[kLevels];
extern double searchWhiteRookAMoved[kLevels], searchWhiteRookHMoved[kLevels];
extern double searchBlackRookAMoved[kLevels], searchBlackRookHMoved[kLevels];
extern double searchEnPassantX[kLevels], searchEnPassantY[kLevels];
extern double searchHalfmoveClock[kLevels];
extern HS searchPositionKey_s[kLevels];
extern double searchMarkVisible;

double SaveSearchState(double level);
double RestoreSearchState(double level);
double MakeSearchMove(double fromX, double fromY, double toX, double toY);
double SearchCapture(double fx, double fy, double tx, double ty);
HS SearchKeyForPlayer_s(double player);
double SearchPositionOccurrences(double player, double level);
double IsSearchRepetition(double player, double level);
double DiscourageWinningRepeat(double score, double occurrences);

// ------------------------------------------------------ search driver
extern double computerPlayer, computerDepth, computerThinkSeconds;
extern double computerBestFromX, computerBestFromY, computerBestToX, computerBestToY;
extern HS computerBestMove_s;
extern double computerLegalMoves, computerNodes, computerReachedDepth, computerScore;
extern double computerSearchMilliseconds;
extern double searchTimedActive, searchDeadline, searchAborted, searchIterationDepth;
extern double preferredFromX, preferredFromY, preferredToX, preferredToY;
extern double firstPassFromX, firstPassFromY, firstPassToX, firstPassToY;
extern double firstPassScore, firstPassLearning, firstPassValid;
extern HS firstPassMove_s;
extern double searchWinningAdvantage;

double CalculateBestMove();
double CalculateSingleDepth();
// Called by CalculateBestMove after every iteration that finished, with the
// iteration's answer in the result globals (computerReachedDepth,
// computerScore, computerBest*), the nodes of the call so far and the
// milliseconds since it began.  Null, as at start-up: no call.  The UCI
// front end sets it for an analysis without limit, which reports each depth.
extern void (*searchIterationDone)(double nodes, double milliseconds);
double SearchSelectedDepth(double player, double alpha, double beta);

// The coordinate text of a move ("e2e4"), with "q" appended when a pawn
// reaches the first or eighth rank; the answer's text in computerBestMove_s.
// Defined with the FEN reader (frontend/fen.cpp).
HS ComputerMoveText_s(double piece, double fx, double fy, double tx, double ty);

// root ordering
constexpr int kRootRows = 257;
extern double rootCaptures[kRootRows][kListColumns];
extern double rootCaptureCount;
extern double rootCurrentResult[kRootRows][kResultColumns];
extern double rootCurrentCount;
extern double rootPreviousResult[kRootRows][kResultColumns];
extern double rootPreviousCount;
extern double rootResultOrderEnabled;

double CollectRootCaptures();
double RootMovePass(double fx, double fy, double tx, double ty, double movePass);
double CommitRootResults();

// learning preferences
extern double learningEnabled, endLearnFileOK, learningChoiceUsed;
constexpr int kPrefEntries = 256;
extern int pref_count;
extern char pref_move[kPrefEntries][8];
extern double pref_value[kPrefEntries];
extern double pref_bonus[kPrefEntries];

double EndLearningPosition();
HS EndSearchMove_s(double piece, double fx, double fy, double tx, double ty);
HS EndLearningMove_s(double fx, double fy, double tx, double ty, double promotion);
// Returns the entry's value; stores its bonus (0 when nothing matched) in *bonus.
double LearningPreference(const HS &key, const HS &move, double *bonus);
double EndLearningPreference(const HS &key, const HS &move);
double LearningTieReason(double preference, double bestPreference, double bonus, double bestBonus);

// preferred principal variation
extern double preferredPVValid[kLevels];
extern double preferredPVFromX[kLevels], preferredPVFromY[kLevels];
extern double preferredPVToX[kLevels], preferredPVToY[kLevels];
extern double preferredPVPiece[kLevels];
extern HS preferredPVKey_s[kLevels];

double ClearPreferredPV();
double SavePreferredPV();
double PreferredPVAvailable(double level, double player);

// ------------------------------------------------------------ tree search
// move generation
constexpr int kListRows = 2049;
extern double innerCaptures[kListRows][kListColumns];
extern double innerCaptureCount[9];
extern double historyQuietMoves[kListRows][kListColumns];
extern double historyQuietCount[9];

double CollectInnerCaptures(double player, double level);
double CollectHistoryQuietMoves(double player, double level);
double CapturePieceValue(double piece);
double IsInnerOrderedMove(double level, double fx, double fy, double tx, double ty);
double IsCollectedSearchMoveValid(double level, double orderIndex, double fx, double fy, double tx,
                                  double ty);

// ordering memory
extern double killerMoves[9][9];
extern double searchHistoryScore[4][4097];
extern double currentPVFromX[kLevels][kLevels], currentPVFromY[kLevels][kLevels];
extern double currentPVToX[kLevels][kLevels], currentPVToY[kLevels][kLevels];
extern double currentPVPiece[kLevels][kLevels];
extern double currentPVValid[kLevels][kLevels];
extern HS currentPVKey_s[kLevels][kLevels];

double ClearKillerMoves();
double RememberKiller(double level, double fx, double fy, double tx, double ty);
double IsKillerMove(double level, double slot, double fx, double fy, double tx, double ty);
double ClearSearchHistoryScores();
double RewardSearchHistory(double player, double level, double fx, double fy, double tx, double ty);
double ClearCurrentPVLine(double level);
double StoreCurrentPV(double level, double player, double fx, double fy, double tx, double ty);
double SearchMoveGivesCheck(double player, double level, double fx, double fy, double tx,
                            double ty);

// move hash (inside the evaluation cache's slots)
extern HS moveHashKey_s[9];
extern double moveHashOffset[9];
extern double moveHashNodeGeneration[9];
extern double moveHashOrder[9];
extern double moveHashEnabled, moveHashGeneration, moveHashHits, moveHashStores;

double ProbeMoveHash(double level, double player);
double PrepareMoveHashOrder(double level, double player);
double IsMoveHashOrder(double level, double fx, double fy, double tx, double ty);
double StoreMoveHash(double level);

// tactical threat tests
double PawnForkTargets(double player, double x, double y);
double HasPawnForkThreat(double player);
double HasKnightForkThreat(double player, double level);
double QueenMinorTarget(double player);

// limited quiet search
extern double quietNodes, quietNodeLimit, quietCheckNodes, quietCheckLimit;
// Not a counter but a threshold on quietCheckNodes (default 32): once that
// many nodes of quiet-check lines have been visited in the current leaf
// search, a new quiet check is tried only on a reserved check, and the
// pawn-fork alarm no longer fires.
extern double zevivEzezoZtartLimit;
extern double quietCheckActive;

double LimitedQuietSearch(double player, double remaining, double level, double alpha, double beta,
                          double checksLeft, double forkReply, double chainKeep);
double HasQuietLegalMove(double player);
// Zeroes the quiet search's node budgets (quietNodes, quietCheckNodes,
// quietCheckActive) before a top-level LimitedQuietSearch call.
double ResetQuietCounters();
int quiet_discovery_candidate(int fx, int fy, int kx, int ky, int player);

// fixed-depth node chain and reply searches
double SearchDepth1(double player, double alpha, double beta);
double SearchDepth2(double player, double alpha, double beta);
double SearchDepth3(double player, double alpha, double beta);
double SearchDepth4(double player, double alpha, double beta);
double SearchDepth5(double player, double alpha, double beta);
double SearchDepth6(double player, double alpha, double beta);
double SearchDepth7(double player, double alpha, double beta);
double EvaluateDepthLeaf(double player, double level, double alpha, double beta);
double SearchWhiteReply(double alpha, double beta);
double SearchBlackReply(double alpha, double beta);
double SearchBlackFirstReply(double alpha, double beta);
double SearchWhiteLastReply(double alpha, double beta);
double EvaluateWhiteLeaf(double alpha, double beta);
double EvaluateBlackLeaf(double alpha, double beta);

// ------------------------------------------------------------- evaluation
extern double evalHashKB, evalHashSlots, evalHashHits, evalHashMisses;
extern double pawnCacheEnabled, pawnCacheReady, pawnCacheHits, pawnCacheMisses;

double EvaluateBoard();
double SetEvalHash(double kb);
double InitPawnCache();
double EvaluateBoardUncached();
double KingZonePenalty(double kingX, double kingY, double enemy, double phase, double shield);
double WinningKingEndgame();

// ------------------------------------------------------------ start state
double init_quin_globals();
