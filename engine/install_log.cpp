// The install log: the list of files the run wrote, for the uninstaller.
#include <string.h>

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
    log->file = CreateFileA(log->path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (log->file == INVALID_HANDLE_VALUE)
        return;
    log->created = GetLastError() != ERROR_ALREADY_EXISTS;
    log->oldSize = SetFilePointer(log->file, 0, NULL, FILE_END); // extend, never truncate
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
