// The slice of the AmigaOS 4 system interfaces that the AmigaOS front end
// uses: Exec for libraries, devices, interfaces, a message port and an I/O
// request; Intuition's easy requester; the timer device's current time.
//
// Every service is reached through an interface table obtained from Exec;
// each vector receives its own interface as the first argument.  Only the
// vectors the engine calls are described here.  Structures that the system
// shares with the engine (the I/O request, the time value, the requester
// description) keep the system's two-byte packing, so that the timer request
// is the 40 bytes the device expects on the 32-bit target.
#pragma once

#include <cstdint>

typedef uint8_t UBYTE;
typedef int8_t BYTE;
typedef uint16_t UWORD;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef void *APTR;
typedef const char *CONST_STRPTR;

// Opaque system objects: the engine only passes them back to Exec.
struct Library;
struct Device;
struct Unit;
struct MsgPort;
struct Window;
struct Interface;
struct TagItem;

#pragma pack(push, 2)

struct Node {
    Node *ln_Succ;
    Node *ln_Pred;
    UBYTE ln_Type;
    BYTE ln_Pri;
    char *ln_Name;
};

struct Message {
    Node mn_Node;
    MsgPort *mn_ReplyPort;
    UWORD mn_Length;
};

struct IORequest {
    Message io_Message;
    Device *io_Device;
    Unit *io_Unit;
    UWORD io_Command;
    UBYTE io_Flags;
    BYTE io_Error;
};

// Seconds and microseconds as the timer device reports them.
struct TimeVal {
    ULONG Seconds;
    ULONG Microseconds;
};

struct TimeRequest {
    IORequest Request;
    TimeVal Time;
};

// An easy requester: title, body text and the gadget labels ("OK").
struct EasyStruct {
    ULONG es_StructSize;
    ULONG es_Flags;
    CONST_STRPTR es_Title;
    CONST_STRPTR es_TextFormat;
    CONST_STRPTR es_GadgetFormat;
};

#pragma pack(pop)

// Size of the timer's I/O request: the request header plus one time value.
constexpr ULONG kTimeRequestBytes = 40;
#if UINTPTR_MAX == 0xffffffffu
static_assert(sizeof(TimeRequest) == kTimeRequestBytes, "timer request layout");
static_assert(sizeof(IORequest) == 32, "I/O request layout");
static_assert(sizeof(EasyStruct) == 20, "easy requester layout");
#endif

// The timer device's unit with microsecond resolution.
constexpr ULONG UNIT_MICROHZ = 0;

struct ExecIFace {
    Library *(*OpenLibrary)(ExecIFace *Self, CONST_STRPTR name, ULONG version);
    void (*CloseLibrary)(ExecIFace *Self, Library *library);
    Interface *(*GetInterface)(ExecIFace *Self, Library *library, CONST_STRPTR name, ULONG version,
                               const TagItem *tags);
    void (*DropInterface)(ExecIFace *Self, Interface *iface);
    MsgPort *(*CreateMsgPort)(ExecIFace *Self);
    void (*DeleteMsgPort)(ExecIFace *Self, MsgPort *port);
    IORequest *(*CreateIORequest)(ExecIFace *Self, MsgPort *port, ULONG size);
    void (*DeleteIORequest)(ExecIFace *Self, IORequest *request);
    // 0 on success, an error code otherwise.
    BYTE(*OpenDevice)
    (ExecIFace *Self, CONST_STRPTR name, ULONG unit, IORequest *request, ULONG flags);
    void (*CloseDevice)(ExecIFace *Self, IORequest *request);
};

struct IntuitionIFace {
    // Shows the requester and waits for a gadget; returns the gadget's number.
    LONG(*EasyRequestArgs)
    (IntuitionIFace *Self, Window *window, const EasyStruct *easy, ULONG *idcmp, const void *args);
};

struct TimerIFace {
    void (*GetSysTime)(TimerIFace *Self, TimeVal *dest);
};

// Exec's interface, set up by the program's start-up code before main.
extern "C" ExecIFace *IExec;

// Registers a clean-up to run at program exit; 0 on success (as atexit).
#ifdef QUIN_AMIGA_STANDIN
int amiga_atexit(void (*fn)());
#else
#include <cstdlib>
inline int amiga_atexit(void (*fn)()) { return std::atexit(fn); }
#endif
