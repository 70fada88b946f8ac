// The few kernel file calls the portable core uses.  On Windows they are
// the real ones; in native builds (unit tests, fuzzers, scrpack) a small
// POSIX layer in native/platform_posix.cpp stands in for them, so the manifest
// reader and the decoder run the same code everywhere.
#ifndef PACKAGE_PLATFORM_H
#define PACKAGE_PLATFORM_H

#ifdef _WIN32
#include <windows.h>
// The optional header size of this image's own format (224 for PE32, 240
// for PE32+); the manifest locator never trusts the declared size.
#define OWN_OPTIONAL_HEADER_SIZE ((unsigned)sizeof(IMAGE_OPTIONAL_HEADER))
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
// Natively the "own module" is whatever file nativeModulePath names.
DWORD GetModuleFileNameA(HINSTANCE module, char *buffer, DWORD size);

// Process-wide, as the module a Windows program runs from is: the native
// stand-ins for the own file's path and its image's optional header size.
extern const char *nativeModulePath;
extern unsigned nativeOptionalHeaderSize;
#define OWN_OPTIONAL_HEADER_SIZE nativeOptionalHeaderSize
#endif

#endif
