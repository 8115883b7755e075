// The result printer of "go" and "--bench": one info line and one bestmove
// line from the search driver's result globals; and the info line of each
// finished depth of an analysis without limit.
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

namespace {

// "info depth D score S nodes N time T nps X pv M" from the answer in the
// result globals, with the given node count and time; one printf, so that
// the line-buffered output writes it whole.
void print_info_line(double nodes, double milliseconds) {
    char score[64];
    score_text(score, sizeof score);
    const bool hasMove = computerBestFromX >= 0;
    double ms = milliseconds;
    if (!(ms > 0)) ms = 1;
    std::printf("info depth %d score %s nodes %lld time %d nps %lld pv %s\n",
                static_cast<int>(computerReachedDepth), score, static_cast<long long>(nodes),
                static_cast<int>(milliseconds), static_cast<long long>(nodes * 1000 / ms),
                hasMove ? computerBestMove_s.v : "");
}

}  // namespace

void emit_iteration(double nodes, double milliseconds) {
    print_info_line(nodes, milliseconds);
    std::fflush(stdout);
}

void emit_result() {
    print_info_line(computerNodes, computerSearchMilliseconds);
    std::printf("bestmove %s\n", computerBestFromX >= 0 ? computerBestMove_s.v : "0000");
    std::fflush(stdout);
}
