// The fixed-depth node chain: SearchDepth1 .. SearchDepth7, one alpha-beta
// node per ply below the root, each calling the next for its children.  A
// node at or beyond the iteration depth is a leaf and goes to the limited
// quiet search.  The same node body also serves the depth-3 reply searches,
// which differ only in their first move (the preferred line's move instead
// of the hash move), the missing depth test and the missing hash store.
#include "core/quin_core.h"

double SearchChainNode(int level, int player, double alpha, double beta, int replySearch);

namespace {

inline int ColourOf(double piece) {
    if (piece == 0) return 0;
    return piece >= 11 ? 2 : 1;
}

inline double MateScore(int level, int player) {
    return player == 1 ? -(900000.0 - level) : 900000.0 - level;
}

inline int MoveCode(int fx, int fy, int tx, int ty) { return fy * 512 + fx * 64 + ty * 8 + tx; }

// The child of a move made at `level`: the next routine of the chain, or for
// the reply searches the level-2 routine of the other side and then the leaf.
inline double SearchChild(int level, int player, double alpha, double beta, int replySearch) {
    const int next = 3 - player;
    if (replySearch != 0) {
        if (level == 1)
            return next == 2 ? SearchBlackReply(alpha, beta) : SearchWhiteLastReply(alpha, beta);
        return next == 1 ? EvaluateWhiteLeaf(alpha, beta) : EvaluateBlackLeaf(alpha, beta);
    }
    switch (level) {
        case 1: return SearchDepth2(next, alpha, beta);
        case 2: return SearchDepth3(next, alpha, beta);
        case 3: return SearchDepth4(next, alpha, beta);
        case 4: return SearchDepth5(next, alpha, beta);
        case 5: return SearchDepth6(next, alpha, beta);
        case 6: return SearchDepth7(next, alpha, beta);
        default: return EvaluateDepthLeaf(next, 8, alpha, beta);
    }
}

enum class MoveOutcome { Continue, Cutoff, Expired };

}  // namespace

// One node of the chain at `level` with `player` to move.  Scores are from
// White's side; the result is fail-soft.
double SearchChainNode(int level, int player, double alpha, double beta, int replySearch) {
    const int N = level;
    const int p = player;
    ClearCurrentPVLine(N);
    if (SearchTimeExpired() != 0) return 0;

    // Third occurrence of the position: a draw, unless there is no move at
    // all (then mate or stalemate decides below).
    if (SearchPositionOccurrences(p, N) >= 2 && HasLegalMove(p) != 0) return 0;

    if (replySearch == 0 && N >= searchIterationDepth) return EvaluateDepthLeaf(p, N, alpha, beta);

    // Fifty-move rule and dead material: a draw when the side can move, but a
    // mate on the board still counts as mate.
    if (halfmoveClock >= 100 || IsInsufficientMaterial() != 0) {
        if (HasLegalMove(p) != 0) return 0;
        const double kingPos = FindKing(p);
        if (kingPos < 0) return 0;
        const double kx = Int(kingPos / 10), ky = Mod(kingPos, 10);
        return IsSquareAttacked(kx, ky, 3 - p) != 0 ? MateScore(N, p) : 0;
    }

    CollectInnerCaptures(p, N);
    CollectHistoryQuietMoves(p, N);
    if (SearchTimeExpired() != 0) return 0;

    // The move searched ahead of the lists, and skipped when the lists reach it.
    int firstCode = -1;
    if (replySearch != 0) {
        if (PreferredPVAvailable(N, p) != 0 && preferredPVValid[N] != 0) {
            firstCode = MoveCode(
                static_cast<int>(preferredPVFromX[N]), static_cast<int>(preferredPVFromY[N]),
                static_cast<int>(preferredPVToX[N]), static_cast<int>(preferredPVToY[N]));
        }
    } else if (PrepareMoveHashOrder(N, p) != 0) {
        firstCode = static_cast<int>(moveHashOrder[N]);
    }

    double bestScore = p == 1 ? -1000000.0 : 1000000.0;
    bool found = false;

    auto searchMove = [&](int fx, int fy, int tx, int ty) -> MoveOutcome {
        computerNodes += 1;
        SaveSearchState(N);
        MakeSearchMove(fx, fy, tx, ty);
        const double score = SearchChild(N, p, alpha, beta, replySearch);
        RestoreSearchState(N);
        if (SearchTimeExpired() != 0) return MoveOutcome::Expired;
        if (p == 1) {
            if (score > bestScore) {
                StoreCurrentPV(N, 1, fx, fy, tx, ty);
                bestScore = score;
            }
            if (bestScore > alpha) alpha = bestScore;
        } else {
            if (score < bestScore) {
                StoreCurrentPV(N, p, fx, fy, tx, ty);
                bestScore = score;
            }
            if (bestScore < beta) beta = bestScore;
        }
        if (alpha >= beta) {
            if (SearchCapture(fx, fy, tx, ty) == 0) {
                RememberKiller(N, fx, fy, tx, ty);
                RewardSearchHistory(p, N, fx, fy, tx, ty);
            }
            if (replySearch == 0) StoreMoveHash(N);
            return MoveOutcome::Cutoff;
        }
        found = true;
        return MoveOutcome::Continue;
    };

    // Pass -1: the designated first move.
    if (firstCode >= 0) {
        if (SearchTimeExpired() != 0) return 0;
        const int fx = (firstCode / 64) % 8, fy = firstCode / 512;
        const int tx = firstCode % 8, ty = (firstCode / 8) % 8;
        if (ColourOf(board[fx][fy]) == p && IsMoveValid(fx, fy, tx, ty) != 0) {
            MoveOutcome outcome = searchMove(fx, fy, tx, ty);
            if (outcome == MoveOutcome::Expired) return 0;
            if (outcome == MoveOutcome::Cutoff) return bestScore;
        }
    }

    // Captures, then the checking quiet moves appended behind them.
    const int captureCount = static_cast<int>(innerCaptureCount[N]);
    const double(*captures)[6] = innerCaptures + N * 256;
    for (int k = 0; k < captureCount; ++k) {
        if (SearchTimeExpired() != 0) return 0;
        const int fx = static_cast<int>(captures[k][0]), fy = static_cast<int>(captures[k][1]);
        const int tx = static_cast<int>(captures[k][2]), ty = static_cast<int>(captures[k][3]);
        if (MoveCode(fx, fy, tx, ty) == firstCode) continue;
        if (ColourOf(board[fx][fy]) != p) continue;
        MoveOutcome outcome = searchMove(fx, fy, tx, ty);
        if (outcome == MoveOutcome::Expired) return 0;
        if (outcome == MoveOutcome::Cutoff) return bestScore;
    }

    // The two killer slots of the level.
    const double *killers = killerMoves[N];
    for (int slot = 0; slot < 2; ++slot) {
        if (SearchTimeExpired() != 0) return 0;
        const double *killer = killers + slot * 4;
        if (killer[0] < 0) continue;
        const int fx = static_cast<int>(killer[0]), fy = static_cast<int>(killer[1]);
        const int tx = static_cast<int>(killer[2]), ty = static_cast<int>(killer[3]);
        if (IsKillerMove(N, slot, fx, fy, tx, ty) == 0) continue;
        if (MoveCode(fx, fy, tx, ty) == firstCode) continue;
        if (ColourOf(board[fx][fy]) != p) continue;
        if (IsMoveValid(fx, fy, tx, ty) == 0) continue;
        MoveOutcome outcome = searchMove(fx, fy, tx, ty);
        if (outcome == MoveOutcome::Expired) return 0;
        if (outcome == MoveOutcome::Cutoff) return bestScore;
    }

    // Quiet moves by history.  They are never in the capture list, so a
    // quiet move is a killer exactly when it equals a non-empty slot.
    auto matchesKiller = [killers](int slot, int fx, int fy, int tx, int ty) {
        const double *killer = killers + slot * 4;
        return killer[0] >= 0 && killer[0] == fx && killer[1] == fy && killer[2] == tx &&
               killer[3] == ty;
    };
    const int quietCount = static_cast<int>(historyQuietCount[N]);
    const double(*quiets)[6] = historyQuietMoves + N * 256;
    for (int k = 0; k < quietCount; ++k) {
        if (SearchTimeExpired() != 0) return 0;
        const int fx = static_cast<int>(quiets[k][0]), fy = static_cast<int>(quiets[k][1]);
        const int tx = static_cast<int>(quiets[k][2]), ty = static_cast<int>(quiets[k][3]);
        if (matchesKiller(0, fx, fy, tx, ty) || matchesKiller(1, fx, fy, tx, ty)) continue;
        if (MoveCode(fx, fy, tx, ty) == firstCode) continue;
        if (ColourOf(board[fx][fy]) != p) continue;
        MoveOutcome outcome = searchMove(fx, fy, tx, ty);
        if (outcome == MoveOutcome::Expired) return 0;
        if (outcome == MoveOutcome::Cutoff) return bestScore;
    }

    if (found) {
        if (replySearch == 0) StoreMoveHash(N);
        return bestScore;
    }
    // No move was searched: mate or stalemate.
    return IsPlayerInCheck(p) != 0 ? MateScore(N, p) : 0;
}

double SearchDepth1(double player, double alpha, double beta) {
    return SearchChainNode(1, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth2(double player, double alpha, double beta) {
    return SearchChainNode(2, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth3(double player, double alpha, double beta) {
    return SearchChainNode(3, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth4(double player, double alpha, double beta) {
    return SearchChainNode(4, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth5(double player, double alpha, double beta) {
    return SearchChainNode(5, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth6(double player, double alpha, double beta) {
    return SearchChainNode(6, static_cast<int>(player), alpha, beta, 0);
}
double SearchDepth7(double player, double alpha, double beta) {
    return SearchChainNode(7, static_cast<int>(player), alpha, beta, 0);
}

double EvaluateDepthLeaf(double player, double level, double alpha, double beta) {
    ResetQuietCounters();
    return LimitedQuietSearch(player, 4, level, alpha, beta, 3, 0, 0);
}
