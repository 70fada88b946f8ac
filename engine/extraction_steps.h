// The steps of the extraction run, one file each (Windows only).
#ifndef ENGINE_EXTRACTION_STEPS_H
#define ENGINE_EXTRACTION_STEPS_H

#include <windows.h>

#include "engine/extraction.h"
#include "engine/portable/stored_copy.h"
#include "package/installed_names.h"
#include "package/package_format.h"
#include "package/path_buffer.h"

// The whole run started by the posted IDOK; returns the dialog's result.
ExtractionEnd RunExtraction(ExtractionRun *run);

// The screen saver's path in the Windows directory.  Returns 1 when it fit.
int BuildScreenSaverPath(char *path, size_t capacity, const char *screenSaverFileName);

// Composes the data folder of baseName into folder (kPathBufferSize bytes,
// ending with a backslash) one level at a time: outer is called with each
// level above the data folder's own (only when the common application data
// folder is unknown and the chain starts at the Windows directory), own
// with each of "Quillmoor", "Glimmerkit" and baseName.  Returns 1 when the
// whole path fit; otherwise, and for a blank base name, the folder is left
// empty.
int WalkDataFolderChain(char *folder, const char *baseName, const FolderMaker *outer, const FolderMaker *own);

// Builds the data folder into folder (kPathBufferSize bytes, always ending
// with a backslash) and creates its chain one level at a time, the data
// folder's own levels with the administrators-only descriptor; *createdFrom
// becomes the length of the path up to the first level this call created
// (0 when it created none).  Returns 1 when the whole path fit; otherwise,
// for a blank base name, and when one of its own levels turned out not to
// be administrators' only (made by someone else since the run's check),
// the folder is left empty.
int BuildDataFolder(char *folder, const char *baseName, size_t *createdFrom);
// Removes the levels of folder from its last one up to the one that ends
// at createdFrom, while they are empty.
void RemoveDataFolder(const char *folder, size_t createdFrom);

// The install log: opened once, extended at its end, one line per record.
struct InstallLog {
    HANDLE file;   // INVALID_HANDLE_VALUE when it could not be opened
    int created;   // this run made the file
    DWORD oldSize; // its size before the run
    char path[kPathBufferSize];
};
void OpenInstallLog(InstallLog *log, const char *dataFolder);
void AppendInstallLog(const InstallLog *log, const char *path);
// With undo, the log is left as it was before the run: removed when the
// run made it, otherwise cut back to its old end.
void CloseInstallLog(InstallLog *log, int undo);

#endif
