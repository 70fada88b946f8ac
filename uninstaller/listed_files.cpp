// Reading the install log and removing the files it lists.
#include "uninstaller/uninstall.h"

struct CountingHandler {
    LogLineHandler handler;
    void *context;
    int count;
};

static void CountAndPass(const char *path, void *context)
{
    CountingHandler *counting = (CountingHandler *)context;
    counting->count++;
    counting->handler(path, counting->context);
}

int ForEachListedFile(const char *logPath, LogLineHandler handler, void *context)
{
    HANDLE log = CreateFileA(logPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return 0;
    CountingHandler counting = {handler, context, 0};
    LogLineState state;
    LogLinesStart(&state);
    char buffer[4096];
    DWORD got;
    while (ReadFile(log, buffer, sizeof buffer, &got, NULL) && got > 0)
        LogLinesFeed(&state, buffer, got, CountAndPass, &counting);
    LogLinesFinish(&state, CountAndPass, &counting);
    CloseHandle(log);
    return counting.count;
}

int RemoveListedFile(const char *path)
{
    if (DeleteFileA(path))
        return 1;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // A listed folder is not a file of ours; it stays and is reported.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileA(path))
            return 1;
    }
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

void RemoveFolderLevels(const char *folder)
{
    char levels[kDataFolderLevels][kPathBufferSize];
    int count = DataFolderLevels(folder, levels);
    // RemoveDirectoryA removes only an empty folder; the first level that
    // stays ends the walk, since its parents are not empty either.
    for (int i = 0; i < count; i++) {
        if (!RemoveDirectoryA(levels[i]))
            break;
    }
}
