// The stand-in's own view of the system objects that the front end only
// sees as opaque pointers.
#pragma once

#include <exec/interfaces.h>
#include <exec/libraries.h>
#include <exec/ports.h>

struct Library {
    const char *name;
    ULONG version;
    int open_count;
    int interfaces;
    struct Interface *main_interface;
};

struct MsgPort {
    int requests = 0;
};

extern Library standin_intuition_library;
extern Library standin_timer_device;

// The library or device that handed out this interface, or null.
Library *standin_library_of(struct Interface *iface);
