// Files of the POSIX build.  The request is read only when it is a regular
// file, and the cancel file is looked for without opening it
// (platform/posix/posix_files.h).  New files: unlink, then open with
// O_CREAT | O_EXCL, which never follows a link, not even a dangling one.
#include "platform/platform.h"
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <unistd.h>

bool platform_file_exists(const char *name) { return posix_files::exists(name); }

std::FILE *platform_open_regular(const char *name) { return posix_files::open_regular(name); }

void (*platform_create_new_hook)(const char *name) = nullptr;

std::FILE *platform_create_new(const char *name) {
    // unlink, unlike remove, leaves a folder in place.
    unlink(name);
    if (platform_create_new_hook) platform_create_new_hook(name);
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE *f = fdopen(fd, "wb");
    if (!f) close(fd);
    return f;
}
