// The shared alpha-beta node of the fixed-depth chain (SearchDepth1 ..
// SearchDepth7) and of the depth-3 reply searches.  Internal to core/tree.
#pragma once

#include "core/types.h"

struct BoardView;
struct MoveEffects;
struct EvalKeyPlace;

// The two kinds of node built from the one node body.
enum class NodeKind {
    // The fixed-depth chain, SearchDepth1..7: a leaf at the iteration depth;
    // the move hash (or the preferred line) gives the first move, and the
    // best move is stored.
    Chain,
    // The reply searches: always branch; only the preferred line's move goes
    // first, and the move hash is neither read nor written.
    Reply,
};

// One node at `level` with `player` to move.  Scores are from White's side;
// the result is fail-soft.  The children are the next routine of the chain,
// or for reply nodes the other side's level-2 reply and then the leaf.
double SearchChainNode(int level, int player, double alpha, double beta, NodeKind kind);

// The node's captures and quiet moves, as CollectInnerCaptures and then
// CollectHistoryQuietMoves list them, from one scan of the candidate windows
// of `view` (loaded from the board here), in three steps.  CollectNodeMoves
// writes the capture list and holds the quiet moves with the history scores
// of this moment; ListNodeQuietChecks appends the checking ones to the
// capture list (the check test read from the same view, in step with the
// board); ListNodeQuietMoves writes the others as the quiet list.
double CollectNodeMoves(double player, double level, BoardView &view);
void ListNodeQuietChecks(int player, int level, const BoardView &view);
void ListNodeQuietMoves(int level);

// Whether a move of one of the mover's pieces is legal in the position the
// node's collection read (IsMoveValid's verdict), looked up among the legal
// moves it found.
bool IsNodeMoveLegal(int level, Square from, Square to);

// The node's first move from the move hash or the preferred line
// (PrepareMoveHashOrder's rule), after its collection: the key read from its
// view, the stored move's legality from the moves it collected.
double PrepareNodeMoveOrder(int level, int player, const BoardView &view);

// How a chain node hands a position to the quiet search.
enum class ChainLeaf {
    // The node itself at its horizon: it has just made the repetition test
    // of the same position at the same level, and `keyWritten` tells whether
    // it left the key in the level's slot (core/tree/repetition.h).
    kTested,
    // The position one of its moves led to (past the last chain level): the
    // quiet search's first node takes the search's repetition rule.
    kAfterMove,
};

// The chain node whose move led to a position: its view of the board and
// the move (both null when no chain node's move did), from which the quiet
// search takes its first view instead of reading the board.
struct ChainParent {
    const BoardView *view = nullptr;
    const MoveEffects *move = nullptr;
    // The place of the child's evaluation key, when the children are leaves
    // (the quiet search's stand-pat probe starts from it).
    const EvalKeyPlace *place = nullptr;
};

// The score of a position a chain node hands to the quiet search
// (EvaluateDepthLeaf's).
double ChainLeafSearch(int player, int level, double alpha, double beta, ChainLeaf how,
                       bool keyWritten, const ChainParent &from);
