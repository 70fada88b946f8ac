// RunUninstall: the order of an uninstall.
#include <stdio.h>
#include <string.h>

#include "package/installed_names.h"
#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

char ownPath[kUninstallPathSize];
char dataFolder[kUninstallPathSize];
char baseName[kUninstallPathSize];
char notRemoved[kReportSize];

static int FindOwnPlace(void)
{
    char modulePath[kUninstallPathSize] = "";
    DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        return 0;
    // Started through its short (8.3) path the program sees that form; the
    // log and the uninstall key hold the long one.
    length = GetLongPathNameA(modulePath, ownPath, sizeof ownPath);
    if (length == 0 || length >= sizeof ownPath)
        memcpy(ownPath, modulePath, sizeof ownPath);
    return SplitOwnPath(ownPath, dataFolder, sizeof dataFolder, baseName, sizeof baseName);
}

static void NoteOwnFile(const char *path, void *context)
{
    if (SamePath(path, ownPath))
        *(int *)context = 1;
}

static void RemoveOne(const char *path, void *context)
{
    (void)context;
    // The running program is set aside at the end, once all else is gone.
    if (SamePath(path, ownPath))
        return;
    if (!RemoveListedFile(path))
        AddToReport(notRemoved, sizeof notRemoved, path);
}

// The current folder of a process cannot be removed, and a program started
// from Explorer or the list of installed programs often has the data folder
// as its current folder.
static void LeaveDataFolder(void)
{
    char windowsFolder[kUninstallPathSize];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length > 0 && length < sizeof windowsFolder)
        SetCurrentDirectoryA(windowsFolder);
}

// Removes the uninstaller itself, the log, the folder levels and the
// uninstall key: only once every listed file is gone, so that a failed
// uninstall can be run again.
static void RemoveInstallRecord(const char *logPath, int ownListed)
{
    int folderLeft = 0;
    if (ownListed && !SetOwnFileAside(&folderLeft)) {
        AddToReport(notRemoved, sizeof notRemoved, ownPath);
        return;
    }
    if (!DeleteFileA(logPath) && GetFileAttributesA(logPath) != INVALID_FILE_ATTRIBUTES)
        AddToReport(notRemoved, sizeof notRemoved, logPath);
    if (!folderLeft)
        RemoveFolderLevels(dataFolder);
    if (!RemoveUninstallKey()) {
        char keyName[kUninstallPathSize + 64];
        snprintf(keyName, sizeof keyName, "HKEY_LOCAL_MACHINE\\%s\\%s", TEXT_UNINSTALL_KEY, baseName);
        AddToReport(notRemoved, sizeof notRemoved, keyName);
    }
}

int RunUninstall(void)
{
    char logPath[kUninstallPathSize] = TEXT_INSTALL_LOG;
    char text[kReportSize + kUninstallPathSize + 256];
    int placed = FindOwnPlace();
    if (placed) {
        int length = snprintf(logPath, sizeof logPath, "%s\\%s", dataFolder, TEXT_INSTALL_LOG);
        placed = length > 0 && (size_t)length < sizeof logPath;
    }
    LeaveDataFolder();

    int ownListed = 0;
    if (!placed || ForEachListedFile(logPath, NoteOwnFile, &ownListed) == 0) {
        snprintf(text, sizeof text, TEXT_NOTHING_TO_DO, logPath);
        TellUser(text, MB_ICONINFORMATION);
        return kExitRemoved;
    }
    snprintf(text, sizeof text, TEXT_UNINSTALL_QUESTION, baseName);
    if (!AskUser(text))
        return kExitCancelled;

    // The entry is judged while the files it may name still exist.
    NoteScreenSaverEntry(logPath);
    ForEachListedFile(logPath, RemoveOne, NULL);
    if (notRemoved[0] == '\0')
        RemoveInstallRecord(logPath, ownListed);
    if (!ClearScreenSaverEntry())
        AddToReport(notRemoved, sizeof notRemoved, TEXT_SYSTEM_INI " [" TEXT_BOOT_SECTION "] " TEXT_SCREEN_SAVER_KEY);

    if (notRemoved[0] == '\0') {
        snprintf(text, sizeof text, TEXT_UNINSTALL_DONE, baseName);
        TellUser(text, MB_ICONINFORMATION);
        return kExitRemoved;
    }
    snprintf(text, sizeof text, TEXT_UNINSTALL_PARTLY, baseName, notRemoved);
    TellUser(text, MB_ICONWARNING);
    return kExitNotRemoved;
}
