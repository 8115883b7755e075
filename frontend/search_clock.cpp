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

bool (*coarse_clock_ms)(double *now, double *tick) = nullptr;

// The search asks for the time at every node, and a precise clock reading
// costs more than a node's own work on some machines.  Where the platform
// keeps a coarse copy of the same clock that lags it by at most one tick,
// a moment more than a tick away by the coarse copy is away by the precise
// clock too, and reading the precise clock can be skipped without changing
// any decision.
//
// Even the coarse reading is more than most nodes cost.  Once it has shown a
// moment to be at least kSafeMargin away, the next kSafeCalls questions about
// that same moment are answered without a reading: they come from a few
// nodes' work, so a deadline that passes meanwhile is noticed at most that
// many calls late, whatever the scheduler does between them.
namespace {

constexpr double kSafeMargin = 2.0;  // milliseconds
constexpr int kSafeCalls = 16;

struct SafeUntil {
    double target = -1;
    int calls = 0;
};

SafeUntil safe[2];  // 0: the next cancel-file look, 1: the search deadline

inline bool certainly_before(double target, int slot) {
    SafeUntil &s = safe[slot];
    if (s.calls > 0 && s.target == target) {
        --s.calls;
        return true;
    }
    double now, tick;
    if (coarse_clock_ms == nullptr || !coarse_clock_ms(&now, &tick)) return false;
    const double margin = target - (now - timer_origin + tick + 1.0);
    if (margin <= 0) return false;
    s.target = target;
    s.calls = margin >= kSafeMargin ? kSafeCalls : 0;
    return true;
}

}  // namespace

double SearchTimeExpired() {
    // The cancel file is looked for at most once per 10 ms of wall time.
    if (request_cancel[0] != 0 && !certainly_before(cancel_last + 10, 0) &&
        GetTimer() - cancel_last >= 10) {
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
    if (!certainly_before(searchDeadline, 1) && GetTimer() >= searchDeadline) {
        searchAborted = 1;
        return 1;
    }
    return 0;
}
