// The two-ply reply searches used for iterations of depth 3.  After a root
// move by Black, White replies at level 1 and Black answers at level 2;
// after a root move by White, the colours swap.  The level-2 moves are
// scored by the limited quiet search at level 3.  These nodes offer the
// preferred line's move first and neither read nor write the move hash.
//
// Globals: as the shared node body (core/tree/depth_search.cpp); the leaves
// also clear the current principal variation of level 3.
#include "core/quin_core.h"
#include "core/tree/node_chain.h"

namespace {

constexpr int kReplyLeafLevel = 3;

}  // namespace

double SearchWhiteReply(double alpha, double beta) {
    return SearchChainNode(1, kWhite, alpha, beta, NodeKind::Reply);
}

double SearchBlackReply(double alpha, double beta) {
    return SearchChainNode(2, kBlack, alpha, beta, NodeKind::Reply);
}

double SearchBlackFirstReply(double alpha, double beta) {
    return SearchChainNode(1, kBlack, alpha, beta, NodeKind::Reply);
}

double SearchWhiteLastReply(double alpha, double beta) {
    return SearchChainNode(2, kWhite, alpha, beta, NodeKind::Reply);
}

double EvaluateWhiteLeaf(double alpha, double beta) {
    ClearCurrentPVLine(kReplyLeafLevel);
    return EvaluateDepthLeaf(kWhite, kReplyLeafLevel, alpha, beta);
}

double EvaluateBlackLeaf(double alpha, double beta) {
    ClearCurrentPVLine(kReplyLeafLevel);
    return EvaluateDepthLeaf(kBlack, kReplyLeafLevel, alpha, beta);
}
