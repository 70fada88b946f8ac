// The few kernel file calls the portable core uses.  On Windows they are
// the real ones; in native builds (unit tests, fuzzers, scrpack) a small
// POSIX layer in native/platform_posix.cpp stands in for them, so the manifest
// reader and the decoder run the same code everywhere.
#ifndef PACKAGE_PLATFORM_H
#define PACKAGE_PLATFORM_H

#ifdef _WIN32
#include <windows.h>
#else
#include <stdint.h>
typedef int HFILE;
typedef void *HINSTANCE;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int32_t LONG;
#define HFILE_ERROR ((HFILE)-1)
#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_SHARE_DENY_NONE 0x0040
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// The kernel's own names, reserved as they are.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
HFILE _lopen(const char *path, int mode);
HFILE _lcreat(const char *path, int attribute);
UINT _lread(HFILE file, void *buffer, UINT count);
UINT _lwrite(HFILE file, const char *buffer, UINT count);
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
#endif

#endif
