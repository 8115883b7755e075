// Stand-in for the AmigaOS 4 SDK header of the same name: the timer
// device's name, units, time value and request.
#pragma once

#include <exec/io.h>

#define TIMERNAME "timer.device"

// Units of the timer device; the clock reads the microsecond one.
#define UNIT_MICROHZ 0
#define UNIT_VBLANK 1

#pragma pack(push, 2)
struct TimeVal {
    uint32 Seconds;
    uint32 Microseconds;
};

struct TimeRequest {
    struct IORequest Request;
    struct TimeVal Time;
};
#pragma pack(pop)
