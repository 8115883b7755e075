// POSIX monotonic clock in milliseconds, fractions kept.
#include "platform/platform.h"

#include <ctime>

double platform_clock_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1000000.0;
}
