// The UCI session's input on the console platforms (POSIX and Windows):
// standard input, read line by line.
#include "platform/platform.h"

#include <cstdio>

int platform_read_line(char *buf, size_t cap) {
    return std::fgets(buf, static_cast<int>(cap), stdin) != nullptr ? 1 : 0;
}
