// Stand-in for the AmigaOS 4 SDK header of the same name: Exec's interface,
// which the system's start-up code sets before main.
#pragma once

#include <exec/libraries.h>
#include <interfaces/exec.h>

extern "C" {
extern struct ExecIFace *IExec;
}
