// The install log: the list of files the run wrote, for the uninstaller.
#include <string.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/installed_names.h"
#include "package/text_rules.h"

HANDLE OpenInstallLog(void)
{
    char path[kNameFieldSize];
    CopyText(path, sizeof path, dataFolder);
    if (dataFolder[0] == '\0' || !AppendText(path, sizeof path, TEXT_INSTALL_LOG))
        return INVALID_HANDLE_VALUE;
    HANDLE log = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (log != INVALID_HANDLE_VALUE)
        SetFilePointer(log, 0, NULL, FILE_END); // extend, never truncate
    return log;
}

// One line per record: the path exactly as built, then CR LF.  A log that
// could not be opened is skipped silently.
void AppendInstallLog(HANDLE log, const char *path)
{
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(log, path, (DWORD)strlen(path), &written, NULL);
    WriteFile(log, "\r\n", 2, &written, NULL);
}

void CloseInstallLog(HANDLE log)
{
    if (log != INVALID_HANDLE_VALUE)
        CloseHandle(log);
}
