// Timer device of the stand-in, read from the host's monotonic clock, and the
// exit registration the front end's clean-up goes through.
#include "platform/amiga/amiga_exit.h"
#include "platform/amiga/standin/standin.h"
#include "platform/amiga/standin/standin_objects.h"

#include <proto/timer.h>

#include <cstdlib>
#include <ctime>

namespace {

TimerIFace timer_iface = {{&standin_timer_device, 1, 1}};

}  // namespace

void TimerIFace::GetSysTime(TimeVal *dest) {
    if (standin_timer_device.interfaces <= 0 ||
        reinterpret_cast<Interface *>(this) != standin_timer_device.main_interface) {
        standin_log("error GetSysTime through an interface not held");
        std::abort();
    }
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    dest->Seconds = static_cast<ULONG>(ts.tv_sec);
    dest->Microseconds = static_cast<ULONG>(ts.tv_nsec / 1000);
}

Library standin_timer_device = {"timer.device", 54, 0, 0,
                                reinterpret_cast<Interface *>(&timer_iface)};

int amiga_atexit(void (*fn)()) {
    if (standin_refuses("atexit")) {
        standin_log("atexit failed");
        return -1;
    }
    int rc = std::atexit(fn);
    standin_log("atexit %s", rc == 0 ? "ok" : "failed");
    return rc;
}
