// The result printer of "go" and "--bench": one info line and one bestmove
// line from the search driver's result globals.
#include "frontend/quintar.h"

#include <cstdio>

void score_text(char *buf, size_t size) {
    if (buf == nullptr || size == 0) return;
    const double score = computerScore;
    // The score as the engine's own side sees it.
    const double own = computerPlayer == kWhite ? score : -score;
    if (Abs(score) >= kDecisiveScore) {
        double plies = kMateScore - Abs(score);
        if (plies < 0) plies = 0;
        const long long p = static_cast<long long>(plies);
        long long moves = (p + 1) / 2;
        if (own < 0) moves = -moves;
        std::snprintf(buf, size, "mate %lld", moves);
    } else {
        std::snprintf(buf, size, "cp %lld", static_cast<long long>(own));
    }
}

void emit_result() {
    char score[64];
    score_text(score, sizeof score);
    const bool hasMove = computerBestFromX >= 0;
    double ms = computerSearchMilliseconds;
    if (!(ms > 0)) ms = 1;
    const long long nodes = static_cast<long long>(computerNodes);
    const long long nps = static_cast<long long>(computerNodes * 1000 / ms);
    std::printf("info depth %d score %s nodes %lld time %d nps %lld pv %s\n",
                static_cast<int>(computerReachedDepth), score, nodes,
                static_cast<int>(computerSearchMilliseconds), nps,
                hasMove ? computerBestMove_s.v : "");
    std::printf("bestmove %s\n", hasMove ? computerBestMove_s.v : "0000");
    std::fflush(stdout);
}
