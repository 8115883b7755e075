// Standard output of the POSIX build: line-buffered, so that each reply line
// is written whole and at once.
#include "platform/platform.h"

#include <cstdio>

int platform_line_output() { return std::setvbuf(stdout, nullptr, _IOLBF, 0); }
