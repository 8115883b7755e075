// A console program always has somewhere to write: no start-up notice.
#include "platform/platform.h"

int platform_startup_notice(int) { return -1; }
