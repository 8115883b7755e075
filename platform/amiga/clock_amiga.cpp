// Millisecond clock of the AmigaOS build, read from the timer device.  The
// device is opened on the first reading (engine start-up records the clock
// origin, so that is before any search) and closed at program exit.
#include "platform/platform.h"
#include "platform/amiga/amiga_os.h"

#include <cstdio>
#include <cstdlib>

namespace {

MsgPort *timer_port = nullptr;
TimeRequest *timer_request = nullptr;
bool timer_device_open = false;
TimerIFace *timer_iface = nullptr;
// Once the exit clean-up has closed the device, readings repeat the last one
// instead of opening the device again while the program ends.
bool timer_closed = false;
double timer_last_ms = 0;

// Releases whatever part of the timer has been obtained, newest first.
void timer_release() {
    if (timer_iface) timer_closed = true;
    if (timer_iface) {
        IExec->DropInterface(IExec, reinterpret_cast<Interface *>(timer_iface));
        timer_iface = nullptr;
    }
    if (timer_device_open) {
        IExec->CloseDevice(IExec, &timer_request->Request);
        timer_device_open = false;
    }
    if (timer_request) {
        IExec->DeleteIORequest(IExec, &timer_request->Request);
        timer_request = nullptr;
    }
    if (timer_port) {
        IExec->DeleteMsgPort(IExec, timer_port);
        timer_port = nullptr;
    }
}

bool timer_acquire() {
    timer_port = IExec->CreateMsgPort(IExec);
    if (!timer_port) return false;
    timer_request = reinterpret_cast<TimeRequest *>(
        IExec->CreateIORequest(IExec, timer_port, kTimeRequestBytes));
    if (!timer_request) return false;
    if (IExec->OpenDevice(IExec, "timer.device", UNIT_MICROHZ, &timer_request->Request, 0) != 0)
        return false;
    timer_device_open = true;
    Library *device = reinterpret_cast<Library *>(timer_request->Request.io_Device);
    timer_iface =
        reinterpret_cast<TimerIFace *>(IExec->GetInterface(IExec, device, "main", 1, nullptr));
    return timer_iface != nullptr;
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
    if (!timer_iface) {
        if (timer_closed) return timer_last_ms;
        timer_open();
    }
    TimeVal now;
    timer_iface->GetSysTime(timer_iface, &now);
    timer_last_ms = now.Seconds * 1000.0 + now.Microseconds / 1000.0;
    return timer_last_ms;
}
