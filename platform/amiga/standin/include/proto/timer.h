// Stand-in for the AmigaOS 4 SDK header of the same name.  The program that
// opens the timer device defines the global interface itself.
#pragma once

#include <interfaces/timer.h>

extern "C" {
extern struct TimerIFace *ITimer;
}
