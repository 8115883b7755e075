// The developer's command-line tools and the status check, shared by every
// platform's dispatch: each prints its answer and returns the exit status.
#include "frontend/quintar.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

long long depth_word(const char *text) {
    errno = 0;
    const long long value = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE) return value < 0 ? LLONG_MIN : LLONG_MAX;
    return value;
}

int status_mode() {
    std::puts("Quintar C-Engine: OK, bin da.");
    std::puts("Programmstart erfolgreich. Keine Schachberechnung ausgefuehrt.");
    return 0;
}

int perft_mode(int depth) {
    std::printf("%llu\n", static_cast<unsigned long long>(perft(depth)));
    return 0;
}

int eval_mode() {
    std::printf("%.15g\n", EvaluateBoard());
    return 0;
}

int bench_mode() {
    if (computerDepth < 1 || computerDepth > 8) return 2;
    computerThinkSeconds = 300;
    CalculateBestMove();
    emit_result();
    return 0;
}

int usage_mode() {
    std::fputs("Usage: --perft|--bench depth [FEN], --eval 0 [FEN]\n", stderr);
    return 2;
}
