// Whole-file reads and replace-by-rename writes.
#include "scrpack/system/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "scrpack/system/interrupt_guard.h"
#include "scrpack/system/system.h"

static bool Fail(std::string *error, const std::string &path)
{
    if (error)
        *error = path + ": " + std::strerror(errno);
    return false;
}

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> *data, std::string *error)
{
    return ReadFileStart(path, SIZE_MAX, data, error);
}

int OpenRegularFile(const std::string &path, uint64_t *size, std::string *error)
{
    int fd = OpenForReading(path);
    if (fd < 0) {
        Fail(error, path);
        return -1;
    }
    if (!RegularFileSize(fd, size)) {
        int saved = errno;
        CloseFile(fd);
        errno = saved;
        if (errno == EINVAL && error)
            *error = path + " is not a regular file but a device, a pipe or a socket; scrpack reads files whole";
        else
            Fail(error, path);
        return -1;
    }
    return fd;
}

bool ReadOpenFileStart(int fd, const std::string &path, size_t limit, std::vector<uint8_t> *data, std::string *error)
{
    data->clear();
    uint8_t buffer[65536];
    while (data->size() < limit) {
        long long got = ReadAt(fd, buffer, std::min(sizeof buffer, limit - data->size()), data->size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Fail(error, path);
        if (got == 0)
            break;
        data->insert(data->end(), buffer, buffer + got);
    }
    return true;
}

bool ReadFileStart(const std::string &path, size_t limit, std::vector<uint8_t> *data, std::string *error)
{
    uint64_t size;
    int fd = OpenRegularFile(path, &size, error);
    if (fd < 0)
        return false;
    bool ok = ReadOpenFileStart(fd, path, limit, data, error);
    int saved = errno;
    CloseFile(fd);
    errno = saved;
    return ok;
}

bool WriteAll(int fd, const void *data, size_t size)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    for (size_t done = 0; done < size;) {
        long long written = WriteSome(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += (size_t)written;
    }
    return true;
}

bool ReplaceFile(const std::string &path, const std::vector<uint8_t> &data, unsigned mode, std::string *error,
                 const WrittenFileCheck &check)
{
    // Ctrl-C while the temporary file exists ends the run through the
    // failure path below, which removes it.
    InterruptGuard guard;
    std::string temporary = path + ".partial-XXXXXX";
    int fd = CreateUniqueFile(&temporary);
    if (fd < 0)
        return Fail(error, path);
    bool ok = SetFileMode(fd, mode) && WriteAll(fd, data.data(), data.size());
    ok = ok && SyncFile(fd);
    int saved = errno;
    ok = CloseFile(fd) && ok;
    if (ok && check && !check(temporary, error)) {
        RemoveFile(temporary);
        return false;
    }
    if (Interrupted()) {
        RemoveFile(temporary);
        if (error)
            *error = path + ": interrupted";
        return false;
    }
    if (ok && RenameOver(temporary, path))
        return true;
    saved = errno ? errno : saved;
    RemoveFile(temporary);
    errno = saved;
    return Fail(error, path);
}
