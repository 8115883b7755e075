// Files of the AmigaOS build, through the POSIX layer of the AmigaOS C
// library.  The request is read only when it is a regular file, and the
// cancel file is looked for without opening it (platform/posix/posix_files.h,
// shared with the POSIX build), so no handler is asked to open a stream that
// waits for a writer (PIPE:) or for input (CON:).  New files: unlink
// (DeleteFile, which removes a soft link itself, never its target), then
// open with O_CREAT | O_EXCL.  On the Linux stand-in the same calls reach
// the host system.
#include "platform/platform.h"
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <unistd.h>

bool platform_file_exists(const char *name) { return posix_files::exists(name); }

std::FILE *platform_open_regular(const char *name) { return posix_files::open_regular(name); }

void (*platform_create_new_hook)(const char *name) = nullptr;

std::FILE *platform_create_new(const char *name) {
    // A folder at the name stays; the create below then fails.
    unlink(name);
    if (platform_create_new_hook) platform_create_new_hook(name);
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return nullptr;
    std::FILE *f = fdopen(fd, "wb");
    if (!f) close(fd);
    return f;
}
