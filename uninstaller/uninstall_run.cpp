// RunUninstall: the order of an uninstall.
#include <stdio.h>
#include <string.h>

#include "package/installed_names.h"
#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

static int FindOwnPlace(UninstallRun *run)
{
    char modulePath[kPathBufferSize] = "";
    DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        return 0;
    // Started through its short (8.3) path the program sees that form; the
    // log and the uninstall key hold the long one.
    length = GetLongPathNameA(modulePath, run->ownPath, sizeof run->ownPath);
    if (length == 0 || length >= sizeof run->ownPath)
        memcpy(run->ownPath, modulePath, sizeof run->ownPath);
    return SplitOwnPath(run->ownPath, run->dataFolder, sizeof run->dataFolder, run->baseName, sizeof run->baseName);
}

// What the walk over the log that looks for the uninstaller's own line
// takes and finds.
struct OwnLine {
    const char *ownPath;
    int listed;
};

static void NoteOwnFile(const char *path, void *context)
{
    OwnLine *own = (OwnLine *)context;
    if (SamePath(path, own->ownPath))
        own->listed = 1;
}

static void RemoveOne(const char *path, void *context)
{
    UninstallRun *run = (UninstallRun *)context;
    // The running program is set aside at the end, once all else is gone.
    if (SamePath(path, run->ownPath))
        return;
    if (LeadsThroughLink(run, path) || !RemoveListedFile(path))
        AddToReport(run->notRemoved, sizeof run->notRemoved, path);
}

// The current folder of a process cannot be removed, and a program started
// from Explorer or the list of installed programs often has the data folder
// as its current folder.
static void LeaveDataFolder(void)
{
    char windowsFolder[kPathBufferSize];
    UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    if (length > 0 && length < sizeof windowsFolder)
        SetCurrentDirectoryA(windowsFolder);
}

// Removes the uninstaller itself, the log, the folder levels and the
// uninstall key: only once every listed file is gone, so that a failed
// uninstall can be run again.
static void RemoveInstallRecord(UninstallRun *run, const char *logPath, int ownListed)
{
    int folderLeft = 0;
    // The uninstaller, the log and the levels are all reached through the
    // data folder.
    if (LeadsThroughLink(run, run->dataFolder)) {
        AddToReport(run->notRemoved, sizeof run->notRemoved, run->dataFolder);
        return;
    }
    if (ownListed && !SetOwnFileAside(run, &folderLeft)) {
        AddToReport(run->notRemoved, sizeof run->notRemoved, run->ownPath);
        return;
    }
    if (!DeleteFileA(logPath) && GetFileAttributesA(logPath) != INVALID_FILE_ATTRIBUTES)
        AddToReport(run->notRemoved, sizeof run->notRemoved, logPath);
    if (!folderLeft)
        RemoveFolderLevels(run->dataFolder);
    if (!RemoveUninstallKey(run)) {
        char keyName[kPathBufferSize + 64];
        snprintf(keyName, sizeof keyName, "HKEY_LOCAL_MACHINE\\%s\\%s", TEXT_UNINSTALL_KEY, run->baseName);
        AddToReport(run->notRemoved, sizeof run->notRemoved, keyName);
    }
}

int RunUninstall(UninstallRun *run)
{
    char logPath[kPathBufferSize] = TEXT_INSTALL_LOG;
    char text[kReportSize + kPathBufferSize + 256];
    int placed = FindOwnPlace(run);
    if (placed) {
        int length = snprintf(logPath, sizeof logPath, "%s\\%s", run->dataFolder, TEXT_INSTALL_LOG);
        placed = length > 0 && (size_t)length < sizeof logPath;
    }
    LeaveDataFolder();
    FindLinkBases(run);

    OwnLine own = {run->ownPath, 0};
    if (!placed || ForEachListedFile(logPath, NoteOwnFile, &own) == 0) {
        snprintf(text, sizeof text, TEXT_NOTHING_TO_DO, logPath);
        TellUser(run, text, MB_ICONINFORMATION);
        return kExitRemoved;
    }
    snprintf(text, sizeof text, TEXT_UNINSTALL_QUESTION, run->baseName);
    if (!AskUser(run, text))
        return kExitCancelled;

    // The entry is judged while the files it may name still exist.
    NoteScreenSaverEntry(run, logPath);
    ForEachListedFile(logPath, RemoveOne, run);
    if (run->notRemoved[0] == '\0')
        RemoveInstallRecord(run, logPath, own.listed);
    if (!ClearScreenSaverEntry(run))
        AddToReport(run->notRemoved, sizeof run->notRemoved, TEXT_SYSTEM_INI " [" TEXT_BOOT_SECTION "] " TEXT_SCREEN_SAVER_KEY);

    if (run->notRemoved[0] == '\0') {
        snprintf(text, sizeof text, TEXT_UNINSTALL_DONE, run->baseName);
        TellUser(run, text, MB_ICONINFORMATION);
        return kExitRemoved;
    }
    snprintf(text, sizeof text, TEXT_UNINSTALL_PARTLY, run->baseName, run->notRemoved);
    TellUser(run, text, MB_ICONWARNING);
    return kExitNotRemoved;
}
