// The install log: the list of files the run wrote, for the uninstaller.
#include <string.h>

#include "engine/admin_only.h"
#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/installed_names.h"
#include "package/text_rules.h"

void OpenInstallLog(InstallLog *log, const char *dataFolder)
{
    log->file = INVALID_HANDLE_VALUE;
    log->created = 0;
    log->oldSize = 0;
    CopyText(log->path, sizeof log->path, dataFolder);
    if (dataFolder[0] == '\0' || !AppendText(log->path, sizeof log->path, TEXT_INSTALL_LOG))
        return;
    // A new file every run, the old lines carried over: one planted there
    // would keep its owner, who could add lines for the uninstaller.
    log->file = RenewFileForAppend(log->path, &log->oldSize, &log->created);
}

// One line per record: the path exactly as built, then CR LF.  A log that
// could not be opened is skipped silently.
void AppendInstallLog(const InstallLog *log, const char *path)
{
    if (log->file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(log->file, path, (DWORD)strlen(path), &written, NULL);
    WriteFile(log->file, "\r\n", 2, &written, NULL);
}

void CloseInstallLog(InstallLog *log, int undo)
{
    if (log->file == INVALID_HANDLE_VALUE)
        return;
    if (undo && !log->created && SetFilePointer(log->file, (LONG)log->oldSize, NULL, FILE_BEGIN) == log->oldSize)
        SetEndOfFile(log->file);
    CloseHandle(log->file);
    log->file = INVALID_HANDLE_VALUE;
    if (undo && log->created)
        DeleteFileA(log->path);
}
