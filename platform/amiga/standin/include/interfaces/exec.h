// Stand-in for the AmigaOS 4 SDK header of the same name: the part of Exec's
// interface that the AmigaOS front end calls, with the SDK's names, argument
// lists and results.  On the system a call IExec->OpenLibrary(name, version)
// passes the interface along itself; here the calls are member functions, so
// the same source compiles against either.  Nothing here mirrors the
// system's table layout: the stand-in is reached by name only.
#pragma once

#include <exec/interfaces.h>
#include <exec/io.h>
#include <utility/tagitem.h>

struct ExecIFace {
    struct InterfaceData Data;

    struct Library *OpenLibrary(CONST_STRPTR name, uint32 version);
    APTR CloseLibrary(struct Library *library);
    struct Interface *GetInterface(struct Library *library, CONST_STRPTR name, uint32 version,
                                   const struct TagItem *taglist);
    void DropInterface(struct Interface *iface);
    struct MsgPort *CreateMsgPort();
    void DeleteMsgPort(struct MsgPort *port);
    struct IORequest *CreateIORequest(const struct MsgPort *port, uint32 size);
    void DeleteIORequest(struct IORequest *request);
    // 0 on success, an error code otherwise.
    int32 OpenDevice(CONST_STRPTR name, uint32 unit, struct IORequest *request, uint32 flags);
    APTR CloseDevice(struct IORequest *request);
};
