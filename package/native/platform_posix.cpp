// POSIX stand-ins for the kernel's integer-handle file calls (native builds).
#include "package/platform.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "package/package_format.h"

HFILE _lopen(const char *path, int mode)
{
    int flags = (mode & 3) == OF_WRITE ? O_WRONLY : (mode & 3) ? O_RDWR : O_RDONLY;
    int fd = open(path, flags | O_CLOEXEC);
    return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lcreat(const char *path, int attribute)
{
    (void)attribute;
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd < 0 ? HFILE_ERROR : fd;
}

UINT _lread(HFILE file, void *buffer, UINT count)
{
    size_t done = 0;
    while (done < count) {
        ssize_t n = read(file, (char *)buffer + done, count - done);
        if (n < 0)
            return done ? (UINT)done : (UINT)HFILE_ERROR;
        if (n == 0)
            break;
        done += (size_t)n;
    }
    return (UINT)done;
}

UINT _lwrite(HFILE file, const char *buffer, UINT count)
{
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(file, buffer + done, count - done);
        if (n <= 0)
            return done ? (UINT)done : (UINT)HFILE_ERROR;
        done += (size_t)n;
    }
    return (UINT)done;
}

LONG _llseek(HFILE file, LONG offset, int origin)
{
    int whence = origin == FILE_END ? SEEK_END : origin == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    off_t pos = lseek(file, offset, whence);
    // Like the kernel call, positions beyond 2^31 - 1 are not representable.
    if (pos < 0 || pos > 0x7FFFFFFF)
        return HFILE_ERROR;
    return (LONG)pos;
}

HFILE _lclose(HFILE file)
{
    return close(file) == 0 ? 0 : HFILE_ERROR;
}
