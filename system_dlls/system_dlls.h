// Where the installer and the uninstaller take their DLLs from (Windows
// only).  Both run elevated, usually from a folder such as Downloads that
// anybody may have dropped files into, and Windows looks for a DLL that is
// not one of its KnownDLLs in the program's own folder first.  So:
//   - the programs import at load time only KnownDLLs (kernel32, user32,
//     gdi32, advapi32, shell32, msvcrt), which always come from the system
//     folder;
//   - every other DLL is loaded by LoadSystemDll, from the system folder;
//   - LimitDllSearch, the first thing each program does, keeps whatever
//     system components load later on our behalf out of the program's
//     folder and the current folder too.
#ifndef SYSTEM_DLLS_SYSTEM_DLLS_H
#define SYSTEM_DLLS_SYSTEM_DLLS_H

#include <windows.h>

// Makes the system folder the only place later loads search, where Windows
// offers that (SetDefaultDllDirectories: Windows 8, and 7 and Vista with
// the loader update); elsewhere takes the current folder out of the search
// (SetDllDirectoryA("")).  Both are looked up at run time, so the programs
// still start on systems that have neither.
void LimitDllSearch(void);

// Loads a DLL by its file name from the system folder only; NULL when it
// is not there (or the path does not fit).  Its own imports are searched
// from the system folder too.
HMODULE LoadSystemDll(const char *fileName);

// The common application data folder (MAX_PATH bytes), from the system
// folder's SHFOLDER.DLL; empty when that is missing or does not know it.
void GetCommonAppData(char *folder);

#endif
