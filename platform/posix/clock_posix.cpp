// POSIX monotonic clock in milliseconds, fractions kept, and its coarse
// copy for the search's frequent "is the deadline near?" question.
#include "../../frontend/quin_runtime.h"
#include "../platform.h"

#include <ctime>

double platform_clock_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1000000.0;
}

#ifdef CLOCK_MONOTONIC_COARSE
static bool posix_coarse_ms(double *now, double *tick) {
    static double resolution = -1;
    timespec ts;
    if (resolution < 0) {
        resolution = clock_getres(CLOCK_MONOTONIC_COARSE, &ts) == 0
                         ? static_cast<double>(ts.tv_sec) * 1000.0 +
                               static_cast<double>(ts.tv_nsec) / 1000000.0
                         : 0;
    }
    if (resolution <= 0 || resolution > 50 || clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) != 0)
        return false;
    *now = static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1000000.0;
    *tick = resolution;
    return true;
}

namespace {
struct RegisterCoarseClock {
    RegisterCoarseClock() { coarse_clock_ms = posix_coarse_ms; }
} register_coarse_clock;
}  // namespace
#endif
