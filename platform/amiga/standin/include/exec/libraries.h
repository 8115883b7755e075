// Stand-in for the AmigaOS 4 SDK header of the same name.  A library is the
// stand-in's own object here; the front end only passes it back to Exec.
#pragma once

#include <exec/types.h>

struct Library;
