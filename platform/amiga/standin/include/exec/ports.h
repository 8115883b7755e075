// Stand-in for the AmigaOS 4 SDK header of the same name: messages.  The
// message port itself is the stand-in's own object; the front end only
// passes it back to Exec.
#pragma once

#include <exec/nodes.h>

struct MsgPort;

#pragma pack(push, 2)
struct Message {
    struct Node mn_Node;
    struct MsgPort *mn_ReplyPort;
    UWORD mn_Length;
};
#pragma pack(pop)
