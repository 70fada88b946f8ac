// Removing the uninstaller's own file.  A running program's file cannot be
// deleted, but it can be renamed within its volume; the file is moved into
// the temporary folder, so that the data folder empties at once, and a
// temporary copy of this program deletes it once this process has ended.
// That copy is opened with FILE_FLAG_DELETE_ON_CLOSE and its handle is
// inherited by the copy's own process, so it goes away when that process
// ends: nothing of the uninstall stays in the temporary folder.
#include <stdio.h>
#include <string.h>

#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

// Makes the copy and returns the handle that deletes it, or
// INVALID_HANDLE_VALUE (then no file is left behind).
static HANDLE MakeCleanupCopy(const char *ownPath, const char *tempFolder, char *copyPath)
{
    if (!GetTempFileNameA(tempFolder, TEXT_TEMP_PREFIX, 0, copyPath))
        return INVALID_HANDLE_VALUE;
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (CopyFileA(ownPath, copyPath, FALSE)) {
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
        // The loader opens the program with read and delete sharing, so the
        // copy can still be started while this handle is open.
        copy = CreateFileA(copyPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherited,
                           OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    }
    if (copy == INVALID_HANDLE_VALUE)
        DeleteFileA(copyPath);
    return copy;
}

// Moves the running program's file to a new name in the temporary folder.
static int MoveOwnFile(const char *ownPath, const char *tempFolder, char *asidePath)
{
    if (!GetTempFileNameA(tempFolder, TEXT_TEMP_PREFIX, 0, asidePath))
        return 0;
    if (MoveFileExA(ownPath, asidePath, MOVEFILE_REPLACE_EXISTING))
        return 1;
    DeleteFileA(asidePath);
    return 0;
}

static int StartCleanup(const char *copyPath, const char *tempFolder, const char *file,
                        const char *folder)
{
    HANDLE self;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0))
        return 0;
    char commandLine[3 * kPathBufferSize + 64];
    int length = snprintf(commandLine, sizeof commandLine, "\"%s\" %s %llu \"%s\" \"%s\"", copyPath,
                          TEXT_CLEANUP_SWITCH, (unsigned long long)(ULONG_PTR)self, file, folder);
    BOOL started = FALSE;
    PROCESS_INFORMATION process;
    if (length > 0 && (size_t)length < sizeof commandLine) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        // The copy's current folder is the temporary folder, never the data
        // folder it is to remove.
        started = CreateProcessA(copyPath, commandLine, NULL, NULL, TRUE, 0, NULL, tempFolder,
                                 &startup, &process);
    }
    CloseHandle(self);
    if (!started)
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

int SetOwnFileAside(const UninstallRun *run, int *folderLeft)
{
    const char *ownPath = run->ownPath;
    *folderLeft = 0;
    char tempFolder[kPathBufferSize];
    DWORD length = GetTempPathA(sizeof tempFolder, tempFolder);
    if (length == 0 || length >= sizeof tempFolder)
        return 0;
    char copyPath[kPathBufferSize];
    HANDLE copy = MakeCleanupCopy(ownPath, tempFolder, copyPath);
    if (copy == INVALID_HANDLE_VALUE)
        return 0;

    char asidePath[kPathBufferSize];
    int moved = MoveOwnFile(ownPath, tempFolder, asidePath);
    // Without the move (the temporary folder on another volume) the copy
    // deletes the file where it is and then removes the folder levels.
    int started = moved ? StartCleanup(copyPath, tempFolder, asidePath, "")
                        : StartCleanup(copyPath, tempFolder, ownPath, run->dataFolder);
    if (!started && moved)
        MoveFileExA(asidePath, ownPath, 0);
    // The started copy holds its own inherited handle; closing this one
    // deletes the copy at once when it was not started.
    CloseHandle(copy);
    *folderLeft = started && !moved;
    return started;
}

static void DeleteWhenFree(const char *path)
{
    // The ended process's image may be released a moment after its handle
    // is signalled.
    for (int attempt = 0; attempt < 100; attempt++) {
        if (DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return;
        Sleep(100);
    }
}

void RunCleanup(const UninstallSwitches *switches)
{
    HANDLE parent = (HANDLE)(ULONG_PTR)switches->parentHandle;
    if (WaitForSingleObject(parent, INFINITE) != WAIT_OBJECT_0)
        return;
    CloseHandle(parent);
    DeleteWhenFree(switches->cleanupFile);
    if (switches->cleanupFolder[0] != '\0')
        RemoveFolderLevels(switches->cleanupFolder);
}
