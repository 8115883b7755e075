// Stand-in for the AmigaOS 4 SDK header of the same name: the current time
// from the timer device's "main" interface (see interfaces/exec.h on the
// calls).
#pragma once

#include <devices/timer.h>
#include <exec/interfaces.h>

struct TimerIFace {
    struct InterfaceData Data;

    void GetSysTime(struct TimeVal *dest);
};
