// The two-ply reply searches used for iterations of depth 3.  After a root
// move by Black, White replies at level 1 and Black answers at level 2;
// after a root move by White, the colours swap.  The level-2 moves are
// scored by the limited quiet search at level 3.  These nodes offer the
// preferred line's move first and neither read nor write the move hash.
#include "core/quin_core.h"

// The shared alpha-beta node body (depth_search.cpp).
double SearchChainNode(int level, int player, double alpha, double beta, int replySearch);

double SearchWhiteReply(double alpha, double beta) { return SearchChainNode(1, 1, alpha, beta, 1); }

double SearchBlackReply(double alpha, double beta) { return SearchChainNode(2, 2, alpha, beta, 1); }

double SearchBlackFirstReply(double alpha, double beta) {
    return SearchChainNode(1, 2, alpha, beta, 1);
}

double SearchWhiteLastReply(double alpha, double beta) {
    return SearchChainNode(2, 1, alpha, beta, 1);
}

double EvaluateWhiteLeaf(double alpha, double beta) {
    ClearCurrentPVLine(3);
    ResetQuietCounters();
    return LimitedQuietSearch(1, 4, 3, alpha, beta, 3, 0, 0);
}

double EvaluateBlackLeaf(double alpha, double beta) {
    ClearCurrentPVLine(3);
    ResetQuietCounters();
    return LimitedQuietSearch(2, 4, 3, alpha, beta, 3, 0, 0);
}
