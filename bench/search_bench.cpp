// Fixed-depth search suite: per position the move, score, depth, nodes,
// milliseconds and nodes per second, then the total node count (the suite's
// signature) and the overall speed.
#include "search_suite.h"

#include <cstdio>

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    double totalNodes = 0;
    double totalMs = 0;
    std::printf("%-18s %-6s %-11s %5s %12s %9s %10s\n", "position", "move", "score", "depth",
                "nodes", "ms", "nps");
    for (const SearchSuiteEntry &e : kSearchSuite) {
        if (!run_search_suite_entry(e)) {
            std::fprintf(stderr, "bad FEN in suite: %s\n", e.fen);
            return 2;
        }
        char score[64];
        score_text(score, sizeof score);
        const double ms = computerSearchMilliseconds;
        const double nps = computerNodes * 1000 / (ms > 0 ? ms : 1);
        std::printf("%-18s %-6s %-11s %5d %12.0f %9.1f %10.0f\n", e.name,
                    computerBestFromX >= 0 ? computerBestMove_s.v : "0000", score,
                    static_cast<int>(computerReachedDepth), computerNodes, ms, nps);
        totalNodes += computerNodes;
        totalMs += ms;
    }
    std::printf("signature %.0f\n", totalNodes);
    std::printf("total %.0f nodes in %.1f ms, %.0f nodes per second\n", totalNodes, totalMs,
                totalNodes * 1000 / (totalMs > 0 ? totalMs : 1));
    return 0;
}
