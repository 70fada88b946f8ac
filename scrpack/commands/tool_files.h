// The installer stub and the uninstaller that scrpack packs unless --stub
// or --uninstaller names others come with it.  `cmake --install` and the
// Debian package put scrpack in bin/ and them in share/glimmerkit/ (see
// cmake/install.cmake); the Windows zip has all three in one folder (see
// cmake/scrpack_windows.cmake).
#ifndef SCRPACK_COMMANDS_TOOL_FILES_H
#define SCRPACK_COMMANDS_TOOL_FILES_H

#include <string>

// Their file names in either layout.
extern const char kInstalledStub[];
extern const char kInstalledUninstaller[];

// Where scrpack's own copy of the file name is: in ../share/glimmerkit/
// from scrpack's folder when that folder exists, else beside scrpack.
// Empty when scrpack can't tell its folder.  The file need not exist.
std::string InstalledToolFile(const char *name);

#endif
