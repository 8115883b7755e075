// The engine clock and the search's one stop test, which turns the
// deadline, the UCI stop flag and the request's cancel file into
// searchAborted.
//
// Globals read: request_cancel, stop_requested, searchTimedActive,
// searchDeadline, timer_origin.  Written: cancel_last, stop_requested (on
// finding the cancel file), searchAborted, cancel_polls, clock_vouch.
#include "runtime/quin_runtime.h"
#include "platform/platform.h"

double timer_origin;
char request_cancel[kPathCapacity];
double cancel_last;
std::atomic<int> stop_requested{0};
uint64_t cancel_polls;

double (*engine_clock_ms)() = platform_clock_ms;

double monotonic_ms() { return engine_clock_ms(); }

double GetTimer(double) { return monotonic_ms() - timer_origin; }

// The search asks at every node whether its deadline, or the next look for
// the cancel file, has come.  A clock reading costs a sizeable share of a
// node's own work, so once a reading has shown a moment to be at least
// kSafeMargin away, the next kSafeCalls questions about that same moment are
// answered "not yet" without a reading; when the moment is still at least
// kFarMargin away (a long think, an analysis without a time limit), the
// next kFarCalls.  Those calls are a few nodes' work, a small fraction of a
// millisecond even for kFarCalls; a deadline that passes meanwhile (the
// thread was descheduled, the clock jumped) is noticed at most kSafeCalls
// stop tests late, or kFarCalls when it was more than kFarMargin away at
// the last reading, which only a stall of that length can bring about.  The
// rule counts stop tests, not clock ticks: it relies on nothing but the one
// clock the engine reads, whatever that clock's resolution or the
// scheduler.  The vouched "not yet" for the deadline is answered inline
// (SearchTimeExpired in runtime/quin_runtime.h); the same test, from the
// start, is made here.
namespace {

constexpr double kSafeMargin = 2.0;  // milliseconds
constexpr int kSafeCalls = 16;
constexpr double kFarMargin = 1000.0;  // milliseconds
constexpr int kFarCalls = 1024;

// Whether GetTimer() - base >= interval, the reading skipped while an
// earlier one vouches for "not yet".
inline bool has_come(double base, double interval, int slot) {
    ClockVouch &s = clock_vouch[slot];
    if (s.calls > 0 && s.base == base) {
        --s.calls;
        return false;
    }
    const double elapsed = GetTimer() - base;
    if (elapsed >= interval) return true;
    s.base = base;
    const double margin = interval - elapsed;
    s.calls = margin >= kFarMargin ? kFarCalls : margin >= kSafeMargin ? kSafeCalls : 0;
    return false;
}

}  // namespace

ClockVouch clock_vouch[2];

double SearchTimeExpiredFull() {
    // Step 1. The cancel file is looked for at most once per 10 ms of wall
    // time, and only in request mode.  Whatever stands at its name is the
    // host's signal, read or not: the look never opens it, so a named pipe
    // without a writer or a device cannot hold the search up.
    if (request_cancel[0] != 0 && has_come(cancel_last, 10, 0)) {
        cancel_last = GetTimer();
        ++cancel_polls;
        if (platform_file_exists(request_cancel)) stop_requested.exchange(1);
    }
    // Step 2. A stop from the UCI session or the cancel file.
    if (stop_requested.load() != 0) {
        searchAborted = 1;
        return 1;
    }
    // Step 3. An untimed search never expires on time; a stopped one stays
    // stopped.
    if (searchTimedActive == 0) return 0;
    if (searchAborted != 0) return 1;
    // Step 4. The deadline.
    if (has_come(searchDeadline, 0, 1)) {
        searchAborted = 1;
        return 1;
    }
    return 0;
}
