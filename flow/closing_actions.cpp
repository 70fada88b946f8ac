// RunClosingActions: what the install does once the progress dialog ends.
#include <stdio.h>
#include <string.h>

#include "engine/extraction.h"
#include "engine/system_registration.h"
#include "flow/install_sequence.h"

#include <shellapi.h>
#include "package/installed_names.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"
#include "resource.h"
#include "texts.h"

static BOOL OpenWithShell(const char *file, const char *parameters, int showCommand)
{
    SHELLEXECUTEINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpVerb = "open";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = showCommand;
    return ShellExecuteExA(&info);
}

// After an abort the uninstaller removes what the run wrote.  It is
// not waited for and its start is not checked.
static void StartUninstaller(const char *dataFolder)
{
    // Without a data folder no uninstaller was written, and the bare name
    // would start whatever UNINSTAL.EXE the search path finds first.
    if (dataFolder[0] == '\0')
        return;
    char uninstaller[kPathBufferSize];
    CopyText(uninstaller, sizeof uninstaller, dataFolder);
    if (AppendText(uninstaller, sizeof uninstaller, TEXT_UNINSTALLER_NAME))
        OpenWithShell(uninstaller, TEXT_UNINSTALLER_SWITCH, SW_SHOWNORMAL);
}

// The missing media types and the offer to download a player.
static void ReportMissingTypes(const char *missingTypes)
{
    char message[sizeof TEXT_MISSING_HEAD + kMissingTypesSize + sizeof TEXT_MISSING_MIDDLE +
                 sizeof TEXT_MEDIA_PLAYER_URL + sizeof TEXT_MISSING_TAIL];
    snprintf(message, sizeof message, "%s%s%s%s%s", TEXT_MISSING_HEAD, missingTypes, TEXT_MISSING_MIDDLE,
             TEXT_MEDIA_PLAYER_URL, TEXT_MISSING_TAIL);
    if (MessageBoxA(NULL, message, TEXT_MISSING_CAPTION, MB_OKCANCEL) != IDOK)
        return;
    if (!OpenWithShell(TEXT_MEDIA_PLAYER_URL, NULL, SW_SHOWMAXIMIZED))
        MessageBoxA(NULL, TEXT_CONNECT_FAILED, TEXT_MEDIA_PLAYER_URL, MB_ICONERROR);
}

// Starting the screen saver: by the short path of the installed file.
static void StartScreenSaver(const char *screenSaverFileName)
{
    // The file in the Windows directory; when that directory can't be
    // obtained, the bare file name.
    char path[kPathBufferSize];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length >= 1 && length <= 259) {
        // A full path that would not fit in 260 bytes is not started: the
        // bare name would resolve against the wrong folder.
        if (!AppendBackslash(path, sizeof path) || !AppendText(path, sizeof path, screenSaverFileName))
            return;
    } else {
        CopyText(path, sizeof path, screenSaverFileName);
    }
    char shortPath[kPathBufferSize];
    DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (shortLength >= 1 && shortLength <= 259)
        WinExec(shortPath, SW_SHOW);
}

// The one message of a run that failed and was taken back; returns the
// exit status.
static int ReportFailedRun(const char *caption, const ExtractionResult *result, int interactive)
{
    if (result->failure == kRunInputEnded) {
        if (interactive)
            MessageBoxA(NULL, TEXT_DAMAGED, TEXT_DAMAGED_CAPTION, MB_ICONERROR);
        return kExitDamaged;
    }
    if (!interactive)
        return kExitWriteFailed;
    if (result->failure == kRunShortWrite) {
        MessageBoxA(NULL, TEXT_WRITE_FAILED, caption, MB_ICONERROR);
        return kExitWriteFailed;
    }
    char other[sizeof TEXT_REASON_OTHER + 16];
    const char *reason = other;
    switch (result->failedReason) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        reason = TEXT_REASON_IN_USE;
        break;
    case ERROR_DIRECTORY:
        reason = TEXT_REASON_FOLDER;
        break;
    case ERROR_ACCESS_DENIED:
        reason = TEXT_REASON_ACCESS;
        break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
        reason = TEXT_REASON_NO_FOLDER;
        break;
    default:
        snprintf(other, sizeof other, TEXT_REASON_OTHER, (unsigned long)result->failedReason);
    }
    // Sized for the longest path and the longest reason.
    char message[sizeof TEXT_NOT_CREATED + kPathBufferSize + sizeof TEXT_REASON_IN_USE + sizeof TEXT_REASON_FOLDER];
    snprintf(message, sizeof message, TEXT_NOT_CREATED, result->failedFile, reason);
    MessageBoxA(NULL, message, caption, MB_ICONERROR);
    return kExitWriteFailed;
}

int RunClosingActions(const char *caption, const char *screenSaverFileName, const ExtractionResult *result)
{
    int interactive = installMode == kInstallModeInteractive;
    if (result->refusedPath[0] != '\0') {
        if (interactive) {
            char message[sizeof TEXT_UNSAFE_DESTINATION + kPathBufferSize];
            snprintf(message, sizeof message, TEXT_UNSAFE_DESTINATION, result->refusedPath);
            MessageBoxA(NULL, message, caption, MB_ICONERROR);
        }
        return kExitUnsafeDestination;
    }
    if (result->failure != kRunNotFailed)
        return ReportFailedRun(caption, result, interactive);
    if (result->aborted) {
        StartUninstaller(result->dataFolder);
        return kExitInstalled;
    }
    if (result->missingTypes[0] != '\0') {
        ReportMissingTypes(result->missingTypes);
    } else {
        if (!interactive)
            return kExitInstalled;
        MessageBoxA(NULL, TEXT_INSTALL_COMPLETE, caption, MB_ICONEXCLAMATION);
    }
    if (!interactive)
        return kExitInstalled;
    DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_ORDERINFO), NULL, OrderInfoDlgProc, 0);
    if (result->missingTypes[0] == '\0') // not started while a media type is missing
        StartScreenSaver(screenSaverFileName);
    return kExitInstalled;
}
