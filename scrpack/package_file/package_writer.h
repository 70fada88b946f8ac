// Building a packaged installer: the stub cut at its manifest position,
// then the manifest, then one block per file in record order.
#ifndef SCRPACK_PACKAGE_FILE_PACKAGE_WRITER_H
#define SCRPACK_PACKAGE_FILE_PACKAGE_WRITER_H

#include <functional>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "scrpack/text/bytes.h"

struct PackedFile {
    std::string label; // where the content came from, for messages
    Bytes content;
    char nameTail[16];
    bool store = false; // keep this file's block stored
};

// Everything a package is built from: the stub, the texts and the files.
struct PackageInput {
    Bytes stub;                    // a finished stub, or an installer packaged from one
    std::string name;              // display name, ANSI
    std::string license;           // licence text, ANSI; empty for none
    uint16_t firstFileNumber = 0;
    std::vector<PackedFile> files; // screen saver, data file, uninstaller, data files
    bool storeOnly = false;        // store every block as it is
};

// Turns a file into one compressed block; may return anything that is not
// shorter than the input to have the file stored instead.
using Compressor = std::function<Bytes(const Bytes &content)>;

struct BuiltPackage {
    Bytes bytes;
    size_t manifestOffset = 0;
    unsigned optionalHeaderSize = 0;
    std::vector<FileRecord> records; // without the terminator
};

// Checks the stub and every limit of the format, compresses each file when
// that makes it smaller, and lays the package out.
bool BuildPackage(const PackageInput &spec, const Compressor &compress, BuiltPackage *package, std::string *error);

#endif
