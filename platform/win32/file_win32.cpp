// Files of the Windows build.  The request is read only when it is a
// regular file: a console, NUL, a serial port or a pipe is refused, since a
// read from some of them waits for input that never comes.  The cancel file
// is looked for with _stat64, which reads the folder entry and never opens
// the file.  New files: _unlink (DeleteFile, which deletes a
// symbolic link itself), then _open with _O_CREAT | _O_EXCL, which the C
// runtime turns into CreateFile with CREATE_NEW: it fails when anything
// stands at the name, a link included.
#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

bool platform_file_exists(const char *name) {
    struct _stat64 st;
    return _stat64(name, &st) == 0;
}

std::FILE *platform_open_regular(const char *name) {
    const int fd = _open(name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return nullptr;
    // The kind of what was opened: a disk file, not a character device or
    // a pipe.
    struct _stat64 st;
    if (_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        return nullptr;
    }
    std::FILE *f = _fdopen(fd, "rb");
    if (!f) _close(fd);
    return f;
}

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
