// Standard output of the Windows build: unbuffered.  The Windows C runtimes
// have no line buffering: the older one (msvcrt) refuses _IOLBF with a
// zero-sized buffer, and the newer one (UCRT) treats that request as an
// invalid parameter and ends the program.  Without a buffer every write
// reaches the GUI or host at once.
#include "platform/platform.h"

#include <cstdio>

int platform_line_output() { return std::setvbuf(stdout, nullptr, _IONBF, 0); }
