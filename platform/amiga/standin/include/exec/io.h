// Stand-in for the AmigaOS 4 SDK header of the same name: the I/O request
// that opens a device and carries its commands.
#pragma once

#include <exec/ports.h>

struct Device;
struct Unit;

#pragma pack(push, 2)
struct IORequest {
    struct Message io_Message;
    struct Device *io_Device;
    struct Unit *io_Unit;
    UWORD io_Command;
    UBYTE io_Flags;
    BYTE io_Error;
};
#pragma pack(pop)
