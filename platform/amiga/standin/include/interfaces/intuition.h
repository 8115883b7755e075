// Stand-in for the AmigaOS 4 SDK header of the same name: the easy requester
// of Intuition's "main" interface (see interfaces/exec.h on the calls).
#pragma once

#include <exec/interfaces.h>
#include <intuition/intuition.h>

struct IntuitionIFace {
    struct InterfaceData Data;

    // Shows the requester and waits for a gadget; returns the gadget's number.
    int32 EasyRequestArgs(struct Window *window, const struct EasyStruct *easyStruct,
                          uint32 *idcmpPtr, APTR args);
};
