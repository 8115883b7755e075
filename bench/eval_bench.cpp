// Evaluation speed over the test corpus: evaluations per second without any
// cache, with only the pawn cache, and with a warm evaluation cache.  Times
// are the process's CPU time, so that a busy machine does not skew them.
//
//   eval_bench [SECONDS_PER_FIGURE]     (default 1)
#include "frontend/quintar.h"
#include "bench/eval_corpus.h"

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <vector>

namespace {

double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Figure {
    double evalsPerSecond;
    double checksum;
};

// Evaluates the corpus round after round for about `seconds`.
Figure measure(const std::vector<eval_corpus::Position> &corpus, double seconds) {
    double checksum = 0;
    long evals = 0;
    const double start = cpu_seconds();
    double elapsed = 0;
    do {
        for (const eval_corpus::Position &p : corpus) {
            eval_corpus::load(p);
            checksum += EvaluateBoard();
        }
        evals += static_cast<long>(corpus.size());
        elapsed = cpu_seconds() - start;
    } while (elapsed < seconds);
    return {evals / elapsed, checksum};
}

// The cost of loading the positions alone, to subtract mentally.
double load_only(const std::vector<eval_corpus::Position> &corpus, double seconds) {
    long loads = 0;
    double sink = 0;
    const double start = cpu_seconds();
    double elapsed = 0;
    do {
        for (const eval_corpus::Position &p : corpus) {
            eval_corpus::load(p);
            sink += board[4][4];
        }
        loads += static_cast<long>(corpus.size());
        elapsed = cpu_seconds() - start;
    } while (elapsed < seconds);
    if (sink == -1) std::puts("");
    return loads / elapsed;
}

}  // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    init_engine();
    set_fen(start_fen);
    const std::vector<eval_corpus::Position> corpus = eval_corpus::build();
    std::printf("corpus: %zu positions\n", corpus.size());

    SetEvalHash(0);
    pawnCacheEnabled = 0;
    const Figure bare = measure(corpus, seconds);
    std::printf("uncached, no pawn cache:      %12.0f evals/s  (%.1f ns/eval)\n",
                bare.evalsPerSecond, 1e9 / bare.evalsPerSecond);

    pawnCacheEnabled = 1;
    const double pawnHits0 = pawnCacheHits, pawnMisses0 = pawnCacheMisses;
    const Figure pawn = measure(corpus, seconds);
    std::printf("uncached, pawn cache on:      %12.0f evals/s  (%.1f ns/eval, pawn hits %.1f%%)\n",
                pawn.evalsPerSecond, 1e9 / pawn.evalsPerSecond,
                100 * (pawnCacheHits - pawnHits0) /
                    (pawnCacheHits - pawnHits0 + pawnCacheMisses - pawnMisses0));

    SetEvalHash(1024);
    for (const eval_corpus::Position &p : corpus) {  // warm up
        eval_corpus::load(p);
        EvaluateBoard();
    }
    const double hits0 = evalHashHits, misses0 = evalHashMisses;
    const Figure warm = measure(corpus, seconds);
    std::printf("warm cache 1024 KB:           %12.0f evals/s  (%.1f ns/eval, hits %.1f%%)\n",
                warm.evalsPerSecond, 1e9 / warm.evalsPerSecond,
                100 * (evalHashHits - hits0) / (evalHashHits - hits0 + evalHashMisses - misses0));

    // Pure hits: a handful of positions whose slots stay in the processor
    // cache.
    const std::vector<eval_corpus::Position> few(corpus.begin(), corpus.begin() + 16);
    SetEvalHash(1024);
    const double hitsBefore = evalHashHits;
    const Figure hits = measure(few, seconds / 2);
    std::printf("cache hits only (16 pos.):    %12.0f evals/s  (%.1f ns/eval, %.0f hits)\n",
                hits.evalsPerSecond, 1e9 / hits.evalsPerSecond, evalHashHits - hitsBefore);

    const double loads = load_only(corpus, seconds / 4);
    std::printf("position loading alone:       %12.0f loads/s  (%.1f ns/load)\n", loads,
                1e9 / loads);
    if (bare.checksum != bare.checksum) return 1;  // keep the sums alive
    return 0;
}
