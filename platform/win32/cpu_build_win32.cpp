// The Windows program is built for the x86-64 baseline alone: there is no
// build for newer processors to start.
#include "platform/platform.h"

void platform_start_cpu_build(char **) {}
