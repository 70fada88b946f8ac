// The size of every buffer of the installer and the uninstaller that holds
// a path: a Windows path of up to 259 characters and its terminating zero.
// The manifest's name field (kNameFieldSize) is as wide, but it is a field
// of the package format, not a buffer, and is sized by the format alone.
#ifndef PACKAGE_PATH_BUFFER_H
#define PACKAGE_PATH_BUFFER_H

enum { kPathBufferSize = 260 };

#ifdef _WIN32
#include <windows.h>
// The system's calls that fill a path buffer without taking its size
// (SHGetFolderPathA) count on MAX_PATH bytes.
static_assert(kPathBufferSize == MAX_PATH, "a path buffer holds MAX_PATH bytes");
#endif

#endif
