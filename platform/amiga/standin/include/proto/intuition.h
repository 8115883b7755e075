// Stand-in for the AmigaOS 4 SDK header of the same name.  The program that
// opens Intuition defines the global interface itself.
#pragma once

#include <interfaces/intuition.h>

extern "C" {
extern struct IntuitionIFace *IIntuition;
}
