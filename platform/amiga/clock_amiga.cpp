// Millisecond clock of the AmigaOS build, read from the timer device.  The
// device is opened on the first reading (engine start-up records the clock
// origin, so that is before any search) and closed at program exit.
#include "platform/platform.h"
#include "platform/amiga/amiga_exit.h"

#include <devices/timer.h>
#include <proto/exec.h>
#include <proto/timer.h>

#include <cstdio>
#include <cstdlib>

// The timer device's interface, by the name the system headers declare.
struct TimerIFace *ITimer = nullptr;

namespace {

// The timer's I/O request: the request header and one time value.  Asked for
// by its size on the 32-bit target, where the system's two-byte packing
// makes it 40 bytes.
constexpr uint32 kTimeRequestBytes = 40;
static_assert(sizeof(void *) != 4 || sizeof(struct TimeRequest) == kTimeRequestBytes,
              "timer request layout");
static_assert(sizeof(void *) != 4 || sizeof(struct IORequest) == 32, "I/O request layout");

struct MsgPort *timer_port = nullptr;
struct TimeRequest *timer_request = nullptr;
bool timer_device_open = false;
// Once the exit clean-up has closed the device, readings repeat the last one
// instead of opening the device again while the program ends.
bool timer_closed = false;
double timer_last_ms = 0;

// Releases whatever part of the timer has been obtained, newest first.
void timer_release() {
    if (ITimer) {
        timer_closed = true;
        IExec->DropInterface(reinterpret_cast<struct Interface *>(ITimer));
        ITimer = nullptr;
    }
    if (timer_device_open) {
        IExec->CloseDevice(&timer_request->Request);
        timer_device_open = false;
    }
    if (timer_request) {
        IExec->DeleteIORequest(&timer_request->Request);
        timer_request = nullptr;
    }
    if (timer_port) {
        IExec->DeleteMsgPort(timer_port);
        timer_port = nullptr;
    }
}

bool timer_acquire() {
    timer_port = IExec->CreateMsgPort();
    if (!timer_port) return false;
    timer_request = reinterpret_cast<struct TimeRequest *>(
        IExec->CreateIORequest(timer_port, kTimeRequestBytes));
    if (!timer_request) return false;
    if (IExec->OpenDevice(TIMERNAME, UNIT_MICROHZ, &timer_request->Request, 0) != 0) return false;
    timer_device_open = true;
    struct Library *device = reinterpret_cast<struct Library *>(timer_request->Request.io_Device);
    ITimer = reinterpret_cast<struct TimerIFace *>(IExec->GetInterface(device, "main", 1, nullptr));
    return ITimer != nullptr;
}

void timer_open() {
    if (!timer_acquire()) {
        timer_release();
        std::fputs("Cannot open timer.device\n", stderr);
        std::exit(2);
    }
    if (amiga_atexit(timer_release) != 0) {
        timer_release();
        std::exit(2);
    }
}

}  // namespace

double platform_clock_ms() {
    if (!ITimer) {
        if (timer_closed) return timer_last_ms;
        timer_open();
    }
    struct TimeVal now;
    ITimer->GetSysTime(&now);
    timer_last_ms = now.Seconds * 1000.0 + now.Microseconds / 1000.0;
    return timer_last_ms;
}
