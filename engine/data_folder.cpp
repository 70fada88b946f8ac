// BuildDataFolder: the per-machine data folder of the screen saver, and
// its removal when a failed run takes the install back.
#include <string.h>

#include "engine/admin_only.h"
#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/installed_names.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"
#include "system_dlls/system_dlls.h"
#include "texts.h"

int WalkDataFolderChain(char *dataFolder, const char *baseName, const FolderMaker *outer, const FolderMaker *own)
{
    const size_t capacity = kPathBufferSize;
    // A blank base name (a package whose name is missing or damaged) would
    // make the shared Glimmerkit folder, or the one above it, the data
    // folder: its install log and uninstaller would then belong to every
    // screen saver.  No data folder then, as for a path too long.
    if (IsBlankFileName(baseName)) {
        dataFolder[0] = '\0';
        return 0;
    }
    GetCommonAppData(dataFolder);
    int fit = 1;
    if (dataFolder[0] == '\0') {
        UINT length = GetWindowsDirectoryA(dataFolder, capacity);
        if (length == 0 || length >= capacity) {
            dataFolder[0] = '\0'; // neither source: the chain starts at the drive's root
        } else {
            // The Windows directory may end in a backslash (a root): the
            // first level is then appended without a second one.
            if (dataFolder[length - 1] == '\\')
                dataFolder[length - 1] = '\0';
            fit = AppendFolderLevel(dataFolder, capacity, TEXT_ALL_USERS, outer) &&
                  AppendFolderLevel(dataFolder, capacity, TEXT_APPLICATION_DATA, outer);
        }
    }
    fit = fit && AppendDataFolderLevels(dataFolder, capacity, baseName, own);
    if (!fit) {
        // A folder path that does not fit in 260 bytes can't be used: no
        // file goes into the data folder, and nothing is started from it.
        dataFolder[0] = '\0';
        return 0;
    }
    return 1;
}

// What the creation of the chain learns.
struct ChainMade {
    size_t createdFrom; // the length of the first level made here; 0 for none
    int unsafe;         // a level of the data folder's own could not be made administrators' only
};

// Creates one level above the data folder's own (when the common
// application data folder is unknown); the result is ignored.  The first
// level made here is noted: a run that fails removes the levels it made
// and no others.
static void CreateLevel(const char *folder, void *context)
{
    ChainMade *made = (ChainMade *)context;
    if (CreateDirectoryA(folder, NULL) && made->createdFrom == 0)
        made->createdFrom = strlen(folder);
}

// Creates one of the data folder's own levels with the administrators-only
// descriptor.  One that is there already was taken over before the run;
// should it have appeared since, it is taken over now, or the data folder
// is not used.
static void CreateOwnLevel(const char *folder, void *context)
{
    ChainMade *made = (ChainMade *)context;
    const SECURITY_ATTRIBUTES *attributes = AdminOnlyAttributes();
    if (attributes != NULL && CreateDirectoryA(folder, (LPSECURITY_ATTRIBUTES)attributes)) {
        if (made->createdFrom == 0)
            made->createdFrom = strlen(folder);
    } else if (made->unsafe || !TakeOverFolder(folder)) {
        made->unsafe = 1;
    }
}

int BuildDataFolder(char *dataFolder, const char *baseName, size_t *createdFrom)
{
    ChainMade made = {0, 0};
    const FolderMaker outer = {CreateLevel, &made};
    const FolderMaker own = {CreateOwnLevel, &made};
    int built = WalkDataFolderChain(dataFolder, baseName, &outer, &own);
    *createdFrom = made.createdFrom;
    if (built && made.unsafe) {
        RemoveDataFolder(dataFolder, made.createdFrom);
        dataFolder[0] = '\0';
        *createdFrom = 0;
        built = 0;
    }
    return built;
}

void RemoveDataFolder(const char *dataFolder, size_t createdFrom)
{
    char level[kPathBufferSize];
    if (createdFrom == 0 || !CopyText(level, sizeof level, dataFolder))
        return;
    size_t length = strlen(level);
    if (length > 0 && level[length - 1] == '\\')
        level[--length] = '\0';
    // Innermost first; a level that is not empty stays, and so do those
    // above it.
    while (length >= createdFrom && RemoveDirectoryA(level)) {
        char *cut = strrchr(level, '\\');
        if (cut == NULL)
            break;
        *cut = '\0';
        length = (size_t)(cut - level);
    }
}
