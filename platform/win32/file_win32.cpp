// New files of the Windows build: _unlink (DeleteFile, which deletes a
// symbolic link itself), then _open with _O_CREAT | _O_EXCL, which the C
// runtime turns into CreateFile with CREATE_NEW: it fails when anything
// stands at the name, a link included.
#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

void (*platform_create_new_hook)(const char *name) = nullptr;

std::FILE *platform_create_new(const char *name) {
    _unlink(name);
    if (platform_create_new_hook) platform_create_new_hook(name);
    const int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE *f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}
