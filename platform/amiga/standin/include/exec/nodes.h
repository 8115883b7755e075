// Stand-in for the AmigaOS 4 SDK header of the same name: the list node at
// the head of every message.  The system's structures are packed to two
// bytes, which is what makes a timer request 40 bytes on the 32-bit target.
#pragma once

#include <exec/types.h>

#pragma pack(push, 2)
struct Node {
    struct Node *ln_Succ;
    struct Node *ln_Pred;
    UBYTE ln_Type;
    BYTE ln_Pri;
    STRPTR ln_Name;
};
#pragma pack(pop)
