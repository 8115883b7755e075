// Reading the request and looking for the cancel file through a POSIX file
// layer: the Linux system's, and the one the AmigaOS C library puts over
// DOS (the same open, fstat and fcntl, on files of any handler).
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix_files {

// Flags that not every C library knows; where one is missing, so is what
// it guards against.
#ifdef O_CLOEXEC
constexpr int kCloseOnExec = O_CLOEXEC;
#else
constexpr int kCloseOnExec = 0;
#endif
#ifdef O_NOCTTY
constexpr int kNoTerminal = O_NOCTTY;
#else
constexpr int kNoTerminal = 0;
#endif

// stat, which follows a link and reads only the folder entry.
inline bool exists(const char *name) {
    struct stat st;
    return stat(name, &st) == 0;
}

inline std::FILE *open_regular(const char *name) {
    // O_NONBLOCK: a named pipe opens at once even without a writer (and is
    // then refused below); O_NOCTTY: a terminal never becomes ours.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | kNoTerminal | kCloseOnExec);
    if (fd < 0) return nullptr;
    struct stat st;
    // The kind of what was opened, not of whatever the name shows now.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    // A regular file always has its bytes at hand, so O_NONBLOCK changes
    // nothing for its reads; it is cleared all the same where the layer
    // lets us.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE *f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

}  // namespace posix_files
