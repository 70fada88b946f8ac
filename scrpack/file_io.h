// Whole-file reads and replace-by-rename writes for the native tools.
#ifndef SCRPACK_FILE_IO_H
#define SCRPACK_FILE_IO_H

#include <functional>
#include <string>

#include "scrpack/bytes.h"

bool ReadWholeFile(const std::string &path, Bytes *data, std::string *error);

// Reads at most limit bytes from the start of the file.
bool ReadFileStart(const std::string &path, size_t limit, Bytes *data, std::string *error);

// Checks a file written but not yet in place; given its temporary path.
using WrittenFileCheck = std::function<bool(const std::string &path, std::string *error)>;

// Writes data to a temporary file beside path, runs the check on it when
// there is one, and renames it over path: a failed write or check never
// leaves a half-written or wrong file behind.  The file gets the given
// permission bits.
bool ReplaceFile(const std::string &path, const Bytes &data, unsigned mode, std::string *error,
                 const WrittenFileCheck &check = nullptr);

#endif
