// Checking one file record of a written package: where its block lies,
// and, for a compressed block, what the installer's decoder makes of it.
// "scrpack verify" and "scrpack extract" are built on this.
#ifndef SCRPACK_PACKAGE_FILE_RECORD_CHECK_H
#define SCRPACK_PACKAGE_FILE_RECORD_CHECK_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "package/package_format.h"

// Takes the file's bytes in order.  Returns false on a failed write, with
// errno telling why; nothing more is passed on after that.
using ByteSink = std::function<bool(const uint8_t *data, size_t size)>;

struct RecordCheck {
    bool sound = false;
    std::string problem;      // one line when not sound
    uint64_t produced = 0;    // bytes the installer would write
    uint64_t unusedBytes = 0; // whole bytes at the block's end that decoding never needed
};

// The package as far as the records rely on it.
struct PackageFile {
    int fd = -1;
    uint64_t size = 0;
    uint64_t dataStart = 0; // first byte after the record table
};

// Checks one record and passes the bytes the installer would install to
// sink (when given).  A stored block must lie inside the file behind the
// record table; a compressed one must besides expand to originalSize bytes,
// its code ending within the block, as the installer's decoder requires.
RecordCheck CheckRecord(const PackageFile &package, const FileRecord &record, const ByteSink &sink);

#endif
