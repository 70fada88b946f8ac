// The paths the installer writes a package's files to, on the systems
// where they are longest.  The installer builds each path in a buffer of
// kPathBufferSize bytes and skips a file whose path does not fit, while it
// still reports success; "scrpack build" refuses a name that would make
// one of them too long.
#ifndef SCRPACK_PACKAGE_FILE_INSTALLED_PATHS_H
#define SCRPACK_PACKAGE_FILE_INSTALLED_PATHS_H

#include <cstddef>
#include <string>

#include "scrpack/package_file/package_writer.h"

struct InstalledPath {
    std::string file;  // "the data file", "FILE0001.WAV", ...
    std::string under; // the folder it starts with
    size_t length = 0;
};

// The longest path the installer builds for spec's files when the display
// name, without its trailing spaces, has nameLength characters.
InstalledPath LongestInstalledPath(const PackageInput &spec, size_t nameLength);

// Fails, with one line that gives the longest name that would fit, when
// spec.name makes some installed path longer than 259 characters.
bool CheckInstalledPaths(const PackageInput &spec, std::string *error);

#endif
