// BuildDataFolder: the per-machine data folder of the screen saver, and
// its removal when a failed run takes the install back.
#include <string.h>

#include <shlobj.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/installed_names.h"
#include "package/text_rules.h"
#include "system_dlls/system_dlls.h"
#include "texts.h"

typedef HRESULT(WINAPI *GetFolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

// The common application data folder from the system folder's SHFOLDER.DLL,
// when it is there.
static void GetCommonAppData(char *dataFolder)
{
    dataFolder[0] = '\0';
    HMODULE library = LoadSystemDll("SHFOLDER.DLL");
    if (library == NULL)
        return;
    GetFolderPathFunction getFolderPath =
        (GetFolderPathFunction)(void (*)(void))GetProcAddress(library, "SHGetFolderPathA");
    if (getFolderPath != NULL && getFolderPath(NULL, CSIDL_COMMON_APPDATA, NULL, 0, dataFolder) != S_OK)
        dataFolder[0] = '\0';
    FreeLibrary(library);
}

// Creates one level of the chain; the result is ignored (an existing
// folder is fine).  The first level made here is noted: a run that fails
// removes the levels it made and no others.
static void CreateLevel(const char *folder, void *context)
{
    size_t *createdFrom = (size_t *)context;
    if (CreateDirectoryA(folder, NULL) && *createdFrom == 0)
        *createdFrom = strlen(folder);
}

int BuildDataFolder(char *dataFolder, const char *baseName, size_t *createdFrom)
{
    const size_t capacity = kNameFieldSize;
    const FolderMaker maker = {CreateLevel, createdFrom};
    *createdFrom = 0;
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
            fit = AppendFolderLevel(dataFolder, capacity, TEXT_ALL_USERS, &maker) &&
                  AppendFolderLevel(dataFolder, capacity, TEXT_APPLICATION_DATA, &maker);
        }
    }
    fit = fit && AppendDataFolderLevels(dataFolder, capacity, baseName, &maker);
    if (!fit) {
        // A folder path that does not fit in 260 bytes can't be used: no
        // file goes into the data folder, and nothing is started from it.
        dataFolder[0] = '\0';
        return 0;
    }
    return 1;
}

void RemoveDataFolder(const char *dataFolder, size_t createdFrom)
{
    char level[kNameFieldSize];
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
