// Millisecond clock of the Windows build: the performance counter, which is
// monotonic, scaled by its frequency.
#include "platform/platform.h"

#include <windows.h>

namespace {

double counter_frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

}  // namespace

double platform_clock_ms() {
    // The frequency is fixed at boot; ask for it once.
    static const double frequency = counter_frequency();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / frequency;
}
