// The fixed-depth node chain: SearchDepth1 .. SearchDepth7, one alpha-beta
// node per ply below the root, each calling the next for its children.  A
// node at or beyond the iteration depth is a leaf and goes to the limited
// quiet search.  The same node body also serves the depth-3 reply searches,
// which differ only in their first move (the preferred line's move instead
// of the hash move), the missing depth test and the missing hash store.
//
// Globals read: board, halfmoveClock, searchIterationDepth, the move lists
// (innerCaptures, innerCaptureCount, historyQuietMoves, historyQuietCount),
// killerMoves, moveHashOrder, preferredPVValid and preferredPV*; through the
// routines called, the search state stack and the clock.  Written:
// computerNodes; quietNodes, quietCheckNodes and quietCheckActive at a leaf;
// through the routines called, the current principal variation, killers,
// history scores, the move hash and searchAborted.
#include "core/board/board_view.h"
#include "core/board/geometry.h"
#include "core/board/move_rules.h"
#include "core/eval/cache_layout.h"
#include "core/quin_core.h"
#include "core/tree/node_chain.h"
#include "core/tree/repetition.h"
#include "core/tree/search_state.h"

#include <cassert>

namespace {

// Half-moves without capture or pawn move after which the game is drawn.
constexpr double kFiftyMoveHalfmoves = 100;

// The last level of the chain: its children are always leaves (level 8).
constexpr int kLastChainLevel = 7;

// Set while a chain node searches the child of one of its moves: the chain
// node entered next (through the fixed routines, whose arguments cannot
// say so) was reached by the search's own move and takes the search's
// repetition rule, and at its horizon it hands the parent's view and move
// to the quiet search.  A chain node clears it on entry.
const ChainParent *enteredBy = nullptr;

// The child of a move made at `level`: the next routine of the chain, or for
// the reply searches the level-2 routine of the other side and then the leaf.
inline double SearchChild(int level, int player, double alpha, double beta, NodeKind kind,
                          const ChainParent &link) {
    const int next = opponent_of(player);
    if (kind == NodeKind::Reply) {
        if (level == 1)
            return next == kBlack ? SearchBlackReply(alpha, beta)
                                  : SearchWhiteLastReply(alpha, beta);
        return next == kWhite ? EvaluateWhiteLeaf(alpha, beta) : EvaluateBlackLeaf(alpha, beta);
    }
    switch (level) {
        case 1: return SearchDepth2(next, alpha, beta);
        case 2: return SearchDepth3(next, alpha, beta);
        case 3: return SearchDepth4(next, alpha, beta);
        case 4: return SearchDepth5(next, alpha, beta);
        case 5: return SearchDepth6(next, alpha, beta);
        case 6: return SearchDepth7(next, alpha, beta);
        default:
            return ChainLeafSearch(next, kLastChainLevel + 1, alpha, beta, ChainLeaf::kAfterMove,
                                   true, link);
    }
}

// The score of a node under the fifty-move rule or with dead material: a
// draw when the side can move, but a mate on the board still counts as mate.
double DrawRuleScore(int level, int player) {
    if (HasLegalMove(player) != 0) return 0;
    const double kingPos = FindKing(player);
    if (kingPos < 0) return 0;
    const int pos = static_cast<int>(kingPos);
    return IsSquareAttacked(king_pos_x(pos), king_pos_y(pos), opponent_of(player)) != 0
               ? mated_score(player, level)
               : 0;
}

// The code of the move searched ahead of the lists (and skipped when the
// lists reach it), or -1 for none.
int FirstMoveCode(int level, int player, NodeKind kind, const BoardView &view) {
    if (kind == NodeKind::Reply) {
        if (PreferredPVAvailable(level, player) != 0 && preferredPVValid[level] != 0) {
            return move_code(
                to_index(preferredPVFromX[level], 8), to_index(preferredPVFromY[level], 8),
                to_index(preferredPVToX[level], 8), to_index(preferredPVToY[level], 8));
        }
        return -1;
    }
    if (PrepareNodeMoveOrder(level, player, view) != 0) {
        return to_index(moveHashOrder[level], kMoveCodes);
    }
    return -1;
}

enum class MoveOutcome { Continue, Cutoff, Expired };

// The state of one node while its moves are searched.
struct ChainNode {
    int level;
    int player;
    double alpha, beta;
    NodeKind kind;
    int firstCode;
    double bestScore;
    bool found;  // a move was searched without a cutoff
    // Whether the level's state slot holds the node's position: every move
    // is taken back and the children write only deeper slots, so one write
    // serves all the node's moves.
    bool slotSaved;
    // Whether the level's key slot holds the node's key (a node reached by
    // the search's own capture or pawn move writes it only before a move
    // that may be repeated: core/tree/repetition.h).
    bool keyWritten;
    // The node's position as the move collection read it.
    const BoardView *view;
    // Whether the children are leaves, which evaluate their position first;
    // then the sums of the node's evaluation key start each child's key
    // and cache load.
    bool leafChildren;
    KeySums sums;

    // Makes the move, searches the child and takes its score.
    MoveOutcome SearchMove(int fx, int fy, int tx, int ty) {
        computerNodes += 1;
        if (!slotSaved) {
            SaveSearchState(level);
            slotSaved = true;
        }
        const MoveEffects move = move_effects(EngineBoard(), square_of(fx, fy), square_of(tx, ty));
        EvalKeyPlace childPlace;
        if (leafChildren) childPlace = prefetch_view_eval_after(sums, move);
        key_before_move(player, level, type_of(move.piece), move.captured, keyWritten);
        MoveUndo undo;
        do_move(move, undo);
        const ChainParent link{view, &move, leafChildren ? &childPlace : nullptr};
        enteredBy = &link;
        const double score = SearchChild(level, player, alpha, beta, kind, link);
        enteredBy = nullptr;
        take_back_search_move(move, undo, level);
        if (SearchTimeExpired() != 0) return MoveOutcome::Expired;
        if (player == kWhite) {
            if (score > bestScore) {
                StoreCurrentPV(level, kWhite, fx, fy, tx, ty);
                bestScore = score;
            }
            if (bestScore > alpha) alpha = bestScore;
        } else {
            if (score < bestScore) {
                StoreCurrentPV(level, player, fx, fy, tx, ty);
                bestScore = score;
            }
            if (bestScore < beta) beta = bestScore;
        }
        if (alpha >= beta) {
            if (SearchCapture(fx, fy, tx, ty) == 0) {
                RememberKiller(level, fx, fy, tx, ty);
                RewardSearchHistory(player, level, fx, fy, tx, ty);
            }
            if (kind == NodeKind::Chain) StoreMoveHash(level);
            return MoveOutcome::Cutoff;
        }
        found = true;
        return MoveOutcome::Continue;
    }

    bool OwnPiece(int fx, int fy) const { return colour_of(board[fx][fy]) == player; }

    // Whether the move tried at order index `orderIndex` (the first move
    // -1, the capture list from 0, the killer slots behind it, then the
    // quiet list) is legal here.  A listed move was legal when the lists
    // were collected, and the position has not changed since; the first
    // move and the killers come from other positions and are looked up
    // among the moves the collection found.  Debug builds check the answer
    // against IsCollectedSearchMoveValid.
    bool LegalAt(int orderIndex, bool listed, int fx, int fy, int tx, int ty) const {
        const bool legal = listed || IsNodeMoveLegal(level, square_of(fx, fy), square_of(tx, ty));
        assert(legal == (IsCollectedSearchMoveValid(level, orderIndex, fx, fy, tx, ty) == 1));
        return legal;
    }

    // Pass -1: the designated first move, when it is legal here.
    MoveOutcome TryFirstMove() {
        if (firstCode < 0) return MoveOutcome::Continue;
        if (SearchTimeExpired() != 0) return MoveOutcome::Expired;
        const int fx = move_from_x(firstCode), fy = move_from_y(firstCode);
        const int tx = move_to_x(firstCode), ty = move_to_y(firstCode);
        if (!OwnPiece(fx, fy) || !LegalAt(-1, false, fx, fy, tx, ty)) return MoveOutcome::Continue;
        return SearchMove(fx, fy, tx, ty);
    }

    // The moves of one of the level's lists in list order, entry k at order
    // index orderBase + k.  The quiet list leaves out the killers, which
    // have had their own pass.
    MoveOutcome TryList(const double (*list)[kListColumns], int first, double listCount,
                        int orderBase, bool skipKillers) {
        const int count = static_cast<int>(listCount);
        const double(*moves)[kListColumns] = list + level * kListEntriesPerLevel;
        for (int k = first; k < count; ++k) {
            if (SearchTimeExpired() != 0) return MoveOutcome::Expired;
            const double *row = moves[k];
            const int fx = to_index(row[kColFromX], 8), fy = to_index(row[kColFromY], 8);
            const int tx = to_index(row[kColToX], 8), ty = to_index(row[kColToY], 8);
            if (skipKillers && MatchesKiller(fx, fy, tx, ty)) continue;
            if (move_code(fx, fy, tx, ty) == firstCode) continue;
            if (!OwnPiece(fx, fy)) continue;
            if (!LegalAt(orderBase + k, true, fx, fy, tx, ty)) continue;
            const MoveOutcome outcome = SearchMove(fx, fy, tx, ty);
            if (outcome != MoveOutcome::Continue) return outcome;
        }
        return MoveOutcome::Continue;
    }

    // The two killer slots of the level.
    MoveOutcome TryKillers() {
        for (int slot = 0; slot < kKillerSlots; ++slot) {
            if (SearchTimeExpired() != 0) return MoveOutcome::Expired;
            const double *killer = killerMoves[level] + slot * kKillerFields;
            if (killer[kColFromX] < 0) continue;
            const int fx = to_index(killer[kColFromX], 8), fy = to_index(killer[kColFromY], 8);
            const int tx = to_index(killer[kColToX], 8), ty = to_index(killer[kColToY], 8);
            if (IsKillerMove(level, slot, fx, fy, tx, ty) == 0) continue;
            if (move_code(fx, fy, tx, ty) == firstCode) continue;
            if (!OwnPiece(fx, fy)) continue;
            const int orderIndex = static_cast<int>(innerCaptureCount[level]) + slot;
            if (!LegalAt(orderIndex, false, fx, fy, tx, ty)) continue;
            const MoveOutcome outcome = SearchMove(fx, fy, tx, ty);
            if (outcome != MoveOutcome::Continue) return outcome;
        }
        return MoveOutcome::Continue;
    }

    // Whether the move is in a non-empty killer slot of the level.  The quiet
    // moves are never in the capture list, so this is exactly IsKillerMove.
    bool MatchesKiller(int fx, int fy, int tx, int ty) const {
        for (int slot = 0; slot < kKillerSlots; ++slot) {
            const double *killer = killerMoves[level] + slot * kKillerFields;
            if (killer[kColFromX] >= 0 && killer[kColFromX] == fx && killer[kColFromY] == fy &&
                killer[kColToX] == tx && killer[kColToY] == ty)
                return true;
        }
        return false;
    }
};

}  // namespace

double SearchChainNode(int level, int player, double alpha, double beta, NodeKind kind) {
    // Step 1. Entry: clear the node's line, poll the clock.
    const ChainParent parent = enteredBy != nullptr ? *enteredBy : ChainParent();
    const bool byMove = enteredBy != nullptr;
    enteredBy = nullptr;
    ClearCurrentPVLine(level);
    if (SearchTimeExpired() != 0) return 0;

    // Step 2. Third occurrence of the position: a draw, unless there is no
    // move at all (then mate or stalemate decides below).  A node reached by
    // the search's own move compares only the positions it could repeat.
    bool keyWritten = true;
    if (byMove) {
        if (ChildIsRepetition(player, level, keyWritten)) return 0;
    } else if (SearchPositionOccurrences(player, level) >= 2 && HasLegalMove(player) != 0) {
        return 0;
    }

    // Step 3. A chain node at the iteration depth is a leaf.
    if (kind == NodeKind::Chain && level >= searchIterationDepth)
        return ChainLeafSearch(player, level, alpha, beta, ChainLeaf::kTested, keyWritten, parent);

    // Step 4. Fifty-move rule and dead material.
    if (halfmoveClock >= kFiftyMoveHalfmoves || IsInsufficientMaterial() != 0)
        return DrawRuleScore(level, player);

    // Step 5. Collect the moves and choose the one searched first.
    BoardView view;
    CollectNodeMoves(player, level, view);
    if (SearchTimeExpired() != 0) return 0;

    const bool leafChildren =
        kind == NodeKind::Chain && (level == kLastChainLevel || level + 1 >= searchIterationDepth);
    ChainNode node{level,
                   player,
                   alpha,
                   beta,
                   kind,
                   FirstMoveCode(level, player, kind, view),
                   worst_score(player),
                   false,
                   false,
                   keyWritten,
                   &view,
                   leafChildren,
                   leafChildren ? key_sums_of_view(view) : KeySums()};

    // Step 6. The passes: first move, captures, killers, quiet moves.  A
    // cutoff returns the best score; an expired clock returns 0.
    MoveOutcome outcome = node.TryFirstMove();
    // The captures, then the checking quiet moves appended behind them; the
    // quiet moves are in history order.
    if (outcome == MoveOutcome::Continue)
        outcome = node.TryList(innerCaptures, 0, innerCaptureCount[level], 0, false);
    if (outcome == MoveOutcome::Continue) {
        const int captures = static_cast<int>(innerCaptureCount[level]);
        ListNodeQuietChecks(player, level, view);
        outcome = node.TryList(innerCaptures, captures, innerCaptureCount[level], 0, false);
    }
    if (outcome == MoveOutcome::Continue) outcome = node.TryKillers();
    if (outcome == MoveOutcome::Continue) {
        ListNodeQuietMoves(level);
        const int quietBase = static_cast<int>(innerCaptureCount[level]) + kKillerSlots;
        outcome = node.TryList(historyQuietMoves, 0, historyQuietCount[level], quietBase, true);
    }
    if (outcome == MoveOutcome::Expired) return 0;
    if (outcome == MoveOutcome::Cutoff) return node.bestScore;

    // Step 7. All moves searched: store the best one, or with no move at all
    // score mate or stalemate.
    if (node.found) {
        if (kind == NodeKind::Chain) StoreMoveHash(level);
        return node.bestScore;
    }
    return IsPlayerInCheck(player) != 0 ? mated_score(player, level) : 0;
}

double SearchDepth1(double player, double alpha, double beta) {
    return SearchChainNode(1, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth2(double player, double alpha, double beta) {
    return SearchChainNode(2, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth3(double player, double alpha, double beta) {
    return SearchChainNode(3, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth4(double player, double alpha, double beta) {
    return SearchChainNode(4, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth5(double player, double alpha, double beta) {
    return SearchChainNode(5, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth6(double player, double alpha, double beta) {
    return SearchChainNode(6, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}
double SearchDepth7(double player, double alpha, double beta) {
    return SearchChainNode(kLastChainLevel, static_cast<int>(player), alpha, beta, NodeKind::Chain);
}

double EvaluateDepthLeaf(double player, double level, double alpha, double beta) {
    ResetQuietCounters();
    return LimitedQuietSearch(player, kQuietStartRemaining, level, alpha, beta, kQuietStartChecks,
                              kNoForkReply, kNoChainKeep);
}
