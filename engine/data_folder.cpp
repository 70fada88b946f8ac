// BuildDataFolder: the per-machine data folder of the screen saver.
#include <shlobj.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/installed_names.h"
#include "package/text_rules.h"
#include "system_dlls/system_dlls.h"
#include "texts.h"

char dataFolder[kNameFieldSize];

typedef HRESULT(WINAPI *GetFolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

// The common application data folder from the system folder's SHFOLDER.DLL,
// when it is there.
static void GetCommonAppData(void)
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
// folder is fine).
static void CreateLevel(const char *folder)
{
    CreateDirectoryA(folder, NULL);
}

int BuildDataFolder(const char *baseName)
{
    // A blank base name (a package whose name is missing or damaged) would
    // make the shared Glimmerkit folder, or the one above it, the data
    // folder: its install log and uninstaller would then belong to every
    // screen saver.  No data folder then, as for a path too long.
    if (IsBlankFileName(baseName)) {
        dataFolder[0] = '\0';
        return 0;
    }
    GetCommonAppData();
    int fit = 1;
    if (dataFolder[0] == '\0') {
        UINT length = GetWindowsDirectoryA(dataFolder, sizeof dataFolder);
        if (length == 0 || length >= sizeof dataFolder) {
            dataFolder[0] = '\0'; // neither source: the chain starts at the drive's root
        } else {
            // The Windows directory may end in a backslash (a root): the
            // first level is then appended without a second one.
            if (dataFolder[length - 1] == '\\')
                dataFolder[length - 1] = '\0';
            fit = AppendFolderLevel(dataFolder, sizeof dataFolder, TEXT_ALL_USERS, CreateLevel) &&
                  AppendFolderLevel(dataFolder, sizeof dataFolder, TEXT_APPLICATION_DATA, CreateLevel);
        }
    }
    fit = fit && AppendDataFolderLevels(dataFolder, sizeof dataFolder, baseName, CreateLevel);
    if (!fit) {
        // A folder path that does not fit in 260 bytes can't be used: no
        // file goes into the data folder, and nothing is started from it.
        dataFolder[0] = '\0';
        return 0;
    }
    return 1;
}
