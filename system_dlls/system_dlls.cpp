// LimitDllSearch and LoadSystemDll: DLLs only from the system folder.
#include "system_dlls/system_dlls.h"

#include <string.h>

// Not in every SDK's headers for the older systems the programs start on.
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL(WINAPI *SetDefaultDllDirectoriesProc)(DWORD);
typedef BOOL(WINAPI *SetDllDirectoryProc)(LPCSTR);

// kernel32 is a KnownDLL and already in the process: GetModuleHandleA
// finds it without a search.
static FARPROC KernelProc(const char *name)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel != NULL ? GetProcAddress(kernel, name) : NULL;
}

void LimitDllSearch(void)
{
    SetDefaultDllDirectoriesProc setDefault =
        (SetDefaultDllDirectoriesProc)(void (*)(void))KernelProc("SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it (or when it refuses the flag) at least the current folder
    // goes; the program's folder stays in the search on such systems, which
    // is why nothing is loaded by a bare name.
    SetDllDirectoryProc setDirectory = (SetDllDirectoryProc)(void (*)(void))KernelProc("SetDllDirectoryA");
    if (setDirectory != NULL)
        setDirectory("");
}

HMODULE LoadSystemDll(const char *fileName)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    size_t nameLength = strlen(fileName);
    // The folder, one backslash and the name must fit with the terminator.
    if (length == 0 || length >= sizeof path || length + 1 + nameLength >= sizeof path)
        return NULL;
    if (path[length - 1] != '\\')
        path[length++] = '\\';
    memcpy(path + length, fileName, nameLength + 1);
    // A full path, so the DLL itself is not searched for; the altered search
    // starts its own imports' search in its folder, the system folder, not
    // in ours (for systems where LimitDllSearch could not restrict it).
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}
