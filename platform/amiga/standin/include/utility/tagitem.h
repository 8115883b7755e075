// Stand-in for the AmigaOS 4 SDK header of the same name: tag lists, which
// the front end only passes as null.
#pragma once

#include <exec/types.h>

typedef uint32 Tag;

struct TagItem {
    Tag ti_Tag;
    uint32 ti_Data;
};
