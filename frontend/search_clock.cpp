// The engine clock and the search's one stop test, which turns the
// deadline, the UCI stop flag and the request's cancel file into
// searchAborted.
#include "../core/quin_core.h"
#include "../platform/platform.h"

#include <cstdio>

double timer_origin;
char request_cancel[kPathCapacity];
double cancel_last;
std::atomic<int> stop_requested{0};
uint64_t cancel_polls;

double monotonic_ms() { return platform_clock_ms(); }

double GetTimer(double) { return monotonic_ms() - timer_origin; }

double SearchTimeExpired() {
    // The cancel file is looked for at most once per 10 ms of wall time.
    if (request_cancel[0] != 0 && GetTimer() - cancel_last >= 10) {
        cancel_last = GetTimer();
        ++cancel_polls;
        if (FILE *f = std::fopen(request_cancel, "rb")) {
            std::fclose(f);
            stop_requested.exchange(1);
        }
    }
    if (stop_requested.load() != 0) {
        searchAborted = 1;
        return 1;
    }
    if (searchTimedActive == 0) return 0;
    if (searchAborted != 0) return 1;
    if (GetTimer() >= searchDeadline) {
        searchAborted = 1;
        return 1;
    }
    return 0;
}
