// Stand-in for the AmigaOS 4 SDK header of the same name: the common head of
// every interface.  An interface obtained from Exec is turned into the
// library's own interface type (IntuitionIFace, TimerIFace) by a cast, as on
// the system, so every interface type starts with this data.
#pragma once

#include <exec/libraries.h>

struct InterfaceData {
    struct Library *LibBase;  // the library or device that handed it out
    uint32 RefCount;
    uint32 Version;
};

struct Interface {
    struct InterfaceData Data;
};
