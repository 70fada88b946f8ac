// Whole-file reads and replace-by-rename writes for the native tools.
#ifndef SCRPACK_SYSTEM_FILE_IO_H
#define SCRPACK_SYSTEM_FILE_IO_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> *data, std::string *error);

// Reads at most limit bytes from the start of the file.
bool ReadFileStart(const std::string &path, size_t limit, std::vector<uint8_t> *data, std::string *error);

// Opens a regular file for reading and tells its size: the descriptor, or
// -1 with one line in error (a device, a pipe or a socket said as such).
int OpenRegularFile(const std::string &path, uint64_t *size, std::string *error);

// Reads at most limit bytes from the start of an open file, whatever its
// position; path is for the message.
bool ReadOpenFileStart(int fd, const std::string &path, size_t limit, std::vector<uint8_t> *data, std::string *error);

// Writes all of data at the file position, again where a signal cut a
// write short; false with errno set.
bool WriteAll(int fd, const void *data, size_t size);

// Checks a file written but not yet in place; given its temporary path.
using WrittenFileCheck = std::function<bool(const std::string &path, std::string *error)>;

// Writes data to a temporary file beside path, runs the check on it when
// there is one, and renames it over path: a failed write or check never
// leaves a half-written or wrong file behind.  The file gets the given
// permission bits.
bool ReplaceFile(const std::string &path, const std::vector<uint8_t> &data, unsigned mode, std::string *error,
                 const WrittenFileCheck &check = nullptr);

#endif
