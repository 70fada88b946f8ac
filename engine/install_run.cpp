// RunExtraction: the walk over the file records, from the access test to
// the default screen saver setting, and the undo of a run that failed: a
// write that fell short, a file that could not be created, a block that ran
// out.
#include <string.h>

#include "engine/admin_only.h"
#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "engine/own_file.h"
#include "engine/portable/expand_file.h"
#include "engine/system_registration.h"
#include "package/installed_names.h"
#include "package/manifest.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"

// What the walk over the records takes and learns.
struct Walk {
    ExtractionRun *run;
    PumpHook pump;               // ExtractionPumpStep on run->pump
    const char *packagePath;     // the installer's own file; empty when it can't be named
    const char *screenSaverPath; // empty when the screen saver can't be placed
    const char *baseName;
    uint16_t firstFileNumber;
    int recordsReached; // records whose destination the walk has built
    int registered;     // RegisterUninstaller wrote the uninstall entry
};

static int IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The screen saver's path in the Windows directory.  Returns 1 when it fit.
int BuildScreenSaverPath(char *path, size_t capacity, const char *screenSaverFileName)
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
static int BuildDestination(char *path, size_t capacity, int index, const FileRecord *record, const Walk *walk)
{
    path[0] = '\0';
    if (index == kRecordScreenSaver)
        return walk->screenSaverPath[0] != '\0' && CopyText(path, capacity, walk->screenSaverPath);
    const char *dataFolder = walk->run->result.dataFolder;
    if (dataFolder[0] == '\0')
        return 0;
    return BuildDataFolderFilePath(path, capacity, dataFolder, walk->baseName, walk->firstFileNumber, index,
                                   record->nameTail);
}

// Expands a compressed block and reopens the manifest behind the licence.
// Returns the new handle, or HFILE_ERROR when the manifest is gone.
static HFILE ExpandAndReopen(const Walk *walk, HFILE manifest, const FileRecord *record, const char *destination,
                             CopyEnd *end)
{
    _lclose(manifest);
    *end = ExpandFile(walk->packagePath, record, destination, &walk->pump);
    manifest = OpenManifest();
    if (manifest != HFILE_ERROR && !SkipLicense(manifest)) {
        _lclose(manifest);
        manifest = HFILE_ERROR;
    }
    return manifest;
}

// The manifest at its first file record, or HFILE_ERROR.
static HFILE OpenFileRecords(uint16_t *firstFileNumber)
{
    HFILE manifest = OpenManifest();
    if (manifest != HFILE_ERROR && !SkipToFileRecords(manifest, firstFileNumber)) {
        _lclose(manifest);
        manifest = HFILE_ERROR;
    }
    return manifest;
}

// Why a destination could not be created, asked again after the copy
// failed to create it (the C library's open leaves no reliable error code):
// a folder of that name, or the system's error when the file is opened for
// writing as it stands, which changes nothing in it.
static DWORD WhyNotCreated(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ERROR_DIRECTORY;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        error = ERROR_WRITE_FAULT; // it opens now: nothing more to tell
    }
    return error;
}

// Ends the walk on a copy that failed: the run is to be taken back.  A
// destination that could not be created was not touched, so the undo
// leaves it; every other one the walk reached is the run's to remove.
static void FailWalk(Walk *walk, CopyEnd end, int index, const char *destination)
{
    ExtractionResult *result = &walk->run->result;
    if (end == kCopyShortWrite) {
        result->failure = kRunShortWrite;
    } else if (end == kCopyInputEnded) {
        result->failure = kRunInputEnded;
    } else {
        result->failure = kRunNotCreated;
        result->failedReason = WhyNotCreated(destination);
        CopyText(result->failedFile, sizeof result->failedFile, destination);
        walk->recordsReached = index;
    }
}

// Walks the records.  A manifest that can't be opened, at the start or
// after a compressed file, ends the walk there: the run then finishes as
// after the last record.  A copy that fails ends it at once.
static void WalkFileRecords(Walk *walk, const InstallLog *log)
{
    ExtractionRun *run = walk->run;
    HFILE manifest = OpenFileRecords(&walk->firstFileNumber);
    if (manifest == HFILE_ERROR)
        return;
    // The stack's buffer serves when the copy buffer can't be allocated, so
    // stored files are still copied whole.
    char fallbackCopyBuffer[kCopyChunkSize];
    char *buffer = (char *)LocalAlloc(LMEM_FIXED, kCopyChunkSize);
    char *copyBuffer = buffer != NULL ? buffer : fallbackCopyBuffer;

    FileRecord record;
    int index = 0;
    int more = ReadFileRecord(manifest, &record);
    while (more) {
        run->pump.abortExempt = index == kRecordUninstaller; // the uninstaller is always written whole
        char destination[kPathBufferSize];
        int haveDestination = BuildDestination(destination, sizeof destination, index, &record, walk);
        walk->recordsReached = index + 1;
        if (haveDestination && index == kRecordUninstaller)
            walk->registered = RegisterUninstaller(run->request.screenSaverFileName, destination);

        LONG resumeOffset = _llseek(manifest, 0, FILE_CURRENT);
        CopyEnd end = kCopyWhole;
        if (haveDestination) {
            // A data folder file is never written into as it stands; one
            // that can't be replaced fails the run as a file that can't be
            // created does.
            int fresh = index == kRecordScreenSaver || ReplaceWithFreshFile(destination);
            if (!fresh)
                end = kCopyNotStarted;
            else if (record.originalSize != 0)
                manifest = ExpandAndReopen(walk, manifest, &record, destination, &end);
            else
                end = CopyStoredBlock(manifest, &record, destination, copyBuffer, &walk->pump);
            // The log lists only files the run wrote.
            if (end != kCopyNotStarted)
                AppendInstallLog(log, destination);
        }
        if (end != kCopyWhole && end != kCopyCancelled) {
            FailWalk(walk, end, index, destination);
            break;
        }
        if (manifest == HFILE_ERROR || resumeOffset == HFILE_ERROR ||
            _llseek(manifest, resumeOffset, FILE_BEGIN) != resumeOffset)
            break;
        more = ReadFileRecord(manifest, &record);
        if (haveDestination && !run->pump.abortRequested && index > kRecordUninstaller)
            CheckMediaSupport(destination, run->result.missingTypes);
        index++;
    }
    run->pump.abortExempt = 0;
    if (buffer != NULL)
        LocalFree(buffer);
    if (manifest != HFILE_ERROR)
        _lclose(manifest);
}

// After a failed copy: removes the file of every record the walk reached.
// The run does this itself rather than start the uninstaller as a Cancel
// does: the disk may be full, or the installer's file damaged, so the
// uninstaller may be missing or cut short and the install log may lack
// lines, while the run knows exactly which records it reached and builds
// their paths again from the manifest as the walk did.  Each of those
// files was created (or emptied) by the run, so nothing is removed that
// the run did not make; a destination it could not create is not counted
// as reached.  (A compressed block whose offset is out of reach ends its
// copy before the destination is opened, and that destination is removed
// all the same: the installer's own file is damaged, and the user had
// agreed to have the file replaced.)
static void RemoveWrittenFiles(Walk *walk)
{
    HFILE manifest = OpenFileRecords(&walk->firstFileNumber);
    if (manifest == HFILE_ERROR)
        return;
    FileRecord record;
    for (int index = 0; index < walk->recordsReached && ReadFileRecord(manifest, &record); index++) {
        char path[kPathBufferSize];
        if (BuildDestination(path, sizeof path, index, &record, walk))
            DeleteFileA(path);
    }
    _lclose(manifest);
}

ExtractionEnd RunExtraction(ExtractionRun *run)
{
    ExtractionResult *result = &run->result;
    const char *fileName = run->request.screenSaverFileName;
    // Nothing is written when a link is in the way; the closing actions
    // report it.
    if (!SecureInstallPlaces(fileName, result->refusedPath, sizeof result->refusedPath))
        return kExtractionOver;
    int keyCreated = 0;
    if (!CheckUninstallAccess(fileName, &keyCreated))
        return kExtractionAccessRefused;

    char screenSaverPath[kPathBufferSize];
    if (!BuildScreenSaverPath(screenSaverPath, sizeof screenSaverPath, fileName))
        screenSaverPath[0] = '\0'; // too long: the screen saver file can't be placed
    char baseName[kNameFieldSize];
    CopyBaseName(baseName, sizeof baseName, fileName);
    size_t createdFrom = 0;
    BuildDataFolder(result->dataFolder, baseName, &createdFrom);

    InstallLog log;
    OpenInstallLog(&log, result->dataFolder);
    char packagePath[kPathBufferSize];
    OwnFilePath(packagePath, sizeof packagePath);
    Walk walk = {run, {ExtractionPumpStep, &run->pump}, packagePath, screenSaverPath, baseName, 0, 0, 0};
    WalkFileRecords(&walk, &log);
    result->aborted = run->pump.abortRequested;
    if (result->failure != kRunNotFailed) {
        // Nothing of the install is left: its files, the log's new lines
        // (or the log), the folders the run made and the uninstall entry,
        // made by the access test or filled when the walk reached the
        // uninstaller.  The default screen saver was not touched yet.
        RemoveWrittenFiles(&walk);
        CloseInstallLog(&log, 1);
        RemoveDataFolder(result->dataFolder, createdFrom);
        if (keyCreated || walk.registered)
            RemoveUninstallEntry(fileName);
        return kExtractionOver;
    }
    CloseInstallLog(&log, 0);

    // After a confirmed Cancel the uninstaller removes the screen saver at
    // once: the system must not be left pointing at a missing file.  For
    // the same reason a run that wrote no screen saver file (a package
    // without records, or whose manifest can't be reached) leaves the
    // user's screen saver as it was.
    if (result->missingTypes[0] == '\0' && !result->aborted && screenSaverPath[0] != '\0' && IsFile(screenSaverPath))
        SetDefaultScreenSaver(screenSaverPath);
    return kExtractionOver;
}
