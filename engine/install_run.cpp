// RunExtraction: the walk over the file records, from the access test to
// the default screen saver setting.
#include <string.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "engine/message_pump.h"
#include "engine/system_registration.h"
#include "package/decoder.h"
#include "package/installed_names.h"
#include "package/manifest.h"
#include "package/text_rules.h"

// Used when the copy buffer can't be allocated, so stored files are still
// copied whole.
static char fallbackCopyBuffer[kCopyChunkSize];

// The pump step of the stored copy and the decoder: the progress dialog's
// messages (where Cancel may set abortRequested), then stop unless the file
// is exempt.
static int PumpAndTestAbort(void *)
{
    RunMessagePumpStep();
    return abortRequested && !abortExempt;
}

static const PumpHook extractionPump = {PumpAndTestAbort, NULL};

static int IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The screen saver's path in the Windows directory.  Returns 1 when it fit.
static int BuildScreenSaverPath(char *path, size_t capacity, const char *screenSaverFileName)
{
    UINT length = GetWindowsDirectoryA(path, (UINT)capacity);
    if (length == 0 || length >= capacity)
        path[0] = '\0';
    return AppendBackslash(path, capacity) && AppendText(path, capacity, screenSaverFileName);
}

// The destination of record index; returns 0 when there is none, which
// happens only when the path would not fit in 260 bytes.  Such a file is
// neither written nor logged: a cut path could name some other file, which
// the uninstaller would then remove.
static int BuildDestination(char *path, size_t capacity, int index, const FileRecord *record,
                            const char *screenSaverPath, const char *baseName, uint16_t firstFileNumber)
{
    path[0] = '\0';
    if (index == kRecordScreenSaver)
        return screenSaverPath[0] != '\0' && CopyText(path, capacity, screenSaverPath);
    if (dataFolder[0] == '\0')
        return 0;
    return BuildDataFolderFilePath(path, capacity, dataFolder, baseName, firstFileNumber, index, record->nameTail);
}

// Expands a compressed block and reopens the manifest behind the licence.
// Returns the new handle, or HFILE_ERROR when the manifest is gone.
static HFILE ExpandAndReopen(HINSTANCE instance, HFILE manifest, const FileRecord *record, const char *destination)
{
    _lclose(manifest);
    ExpandFile(instance, record->dataOffset, record->originalSize, record->storedSize, destination,
               &extractionPump);
    manifest = OpenManifest();
    if (manifest != HFILE_ERROR && !SkipLicense(manifest)) {
        _lclose(manifest);
        manifest = HFILE_ERROR;
    }
    return manifest;
}

// Walks the records.  A manifest that can't be opened, at the start or
// after a compressed file, ends the walk there: the run then finishes as
// after the last record.
static void WalkFileRecords(const ExtractionRequest *request, HANDLE log, const char *screenSaverPath,
                            const char *baseName)
{
    HFILE manifest = OpenManifest();
    uint16_t firstFileNumber = 0;
    if (manifest == HFILE_ERROR)
        return;
    if (!SkipToFileRecords(manifest, &firstFileNumber)) {
        _lclose(manifest);
        return;
    }
    char *buffer = (char *)LocalAlloc(LMEM_FIXED, kCopyChunkSize);
    char *copyBuffer = buffer != NULL ? buffer : fallbackCopyBuffer;

    FileRecord record;
    int index = 0;
    int more = ReadFileRecord(manifest, &record);
    while (more) {
        abortExempt = 0;
        char destination[kNameFieldSize];
        if (index == kRecordUninstaller)
            abortExempt = 1; // the uninstaller is always written whole
        int haveDestination =
            BuildDestination(destination, sizeof destination, index, &record, screenSaverPath, baseName, firstFileNumber);
        if (haveDestination && index == kRecordUninstaller)
            RegisterUninstaller(request->screenSaverFileName, destination);

        LONG resumeOffset = _llseek(manifest, 0, FILE_CURRENT);
        if (haveDestination) {
            if (record.originalSize != 0) {
                manifest = ExpandAndReopen(request->instance, manifest, &record, destination);
            } else {
                CopyStoredBlock(manifest, &record, destination, copyBuffer, &extractionPump);
            }
            AppendInstallLog(log, destination);
        }
        if (manifest == HFILE_ERROR || resumeOffset == HFILE_ERROR ||
            _llseek(manifest, resumeOffset, FILE_BEGIN) != resumeOffset)
            break;
        more = ReadFileRecord(manifest, &record);
        if (haveDestination && !abortRequested && index > kRecordUninstaller)
            CheckMediaSupport(destination);
        index++;
    }
    abortExempt = 0;
    if (buffer != NULL)
        LocalFree(buffer);
    if (manifest != HFILE_ERROR)
        _lclose(manifest);
}

INT_PTR RunExtraction(const ExtractionRequest *request)
{
    if (!CheckUninstallAccess(request->screenSaverFileName))
        return 2;

    char screenSaverPath[kNameFieldSize];
    if (!BuildScreenSaverPath(screenSaverPath, sizeof screenSaverPath, request->screenSaverFileName))
        screenSaverPath[0] = '\0'; // too long: the screen saver file can't be placed
    char baseName[kNameFieldSize];
    CopyBaseName(baseName, sizeof baseName, request->screenSaverFileName);
    BuildDataFolder(baseName);

    HANDLE log = OpenInstallLog();
    WalkFileRecords(request, log, screenSaverPath, baseName);
    CloseInstallLog(log);

    // After a confirmed Cancel the uninstaller removes the screen saver at
    // once: the system must not be left pointing at a missing file.  For
    // the same reason a run that wrote no screen saver file (a package
    // without records, or whose manifest can't be reached) leaves the
    // user's screen saver as it was.
    if (missingTypes[0] == '\0' && !abortRequested && screenSaverPath[0] != '\0' && IsFile(screenSaverPath))
        SetDefaultScreenSaver(screenSaverPath);
    return 1;
}
