// Stand-in for the AmigaOS 4 SDK header of the same name: the easy
// requester's description.  es_Screen and es_TagList (Intuition 50) are read
// only when es_Flags asks for them.
#pragma once

#include <exec/types.h>
#include <utility/tagitem.h>

struct Window;
struct Screen;

#pragma pack(push, 2)
struct EasyStruct {
    uint32 es_StructSize;
    uint32 es_Flags;
    CONST_STRPTR es_Title;
    CONST_STRPTR es_TextFormat;
    CONST_STRPTR es_GadgetFormat;
    struct Screen *es_Screen;
    struct TagItem *es_TagList;
};
#pragma pack(pop)
