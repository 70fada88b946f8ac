// Reading a packaged installer back the way the installer reads it: the
// manifest is reached through the installer's own OpenManifest code and the
// fields through its record reader.
#ifndef SCRPACK_PACKAGE_FILE_PACKAGE_READER_H
#define SCRPACK_PACKAGE_FILE_PACKAGE_READER_H

#include <string>
#include <vector>

#include "package/package_format.h"

struct PackageContents {
    size_t manifestOffset = 0;
    std::string license;
    std::string name;                // the 260-byte field up to its first zero, at most 259
    uint16_t firstFileNumber = 0;
    std::vector<FileRecord> records; // up to the terminator
    bool terminated = false;         // false when the file ended inside the table
};

bool ReadPackage(const std::string &path, PackageContents *contents, std::string *error);

// The same on a file already open for reading, whose headers it reads.
// The installer's walk to the manifest opens path itself.
bool ReadPackageFile(int fd, const std::string &path, PackageContents *contents, std::string *error);

// Where the installer's data ends: the end of the record table, or of the
// block that ends furthest into the file.
uint64_t PackageDataEnd(const PackageContents &contents);

// The file name the installer gives record index (Windows directory for 0,
// the data folder for the others).
std::string InstalledFileName(const PackageContents &contents, size_t index);

// The text of a record's name tail in double quotes, so that its length
// shows (trailing spaces, which the installer drops from the name),
// with \" and \\ for those characters and \xNN for control characters.
// Still in the ANSI code page.
std::string QuotedNameTail(const FileRecord &record);

#endif
