// Finding, reading and writing the screen saver's data file.
#include <stdio.h>
#include <string.h>

#include "samples/saver.h"

typedef HRESULT(WINAPI *GetFolderPathProc)(HWND, int, HANDLE, DWORD, LPSTR);

// The machine's common application data folder, found as the installer
// finds it; under the Windows directory on systems without SHFOLDER.DLL.
static int CommonDataFolder(char *folder, size_t capacity)
{
    folder[0] = '\0';
    HMODULE library = LoadLibraryA("SHFOLDER.DLL");
    if (library != NULL) {
        GetFolderPathProc getFolderPath = (GetFolderPathProc)(void *)GetProcAddress(library, "SHGetFolderPathA");
        char found[MAX_PATH];
        if (getFolderPath != NULL && getFolderPath(NULL, 35 /* CSIDL_COMMON_APPDATA */, NULL, 0, found) == S_OK)
            snprintf(folder, capacity, "%s", found);
        FreeLibrary(library);
    }
    if (folder[0] != '\0')
        return 1;
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        return 0;
    int written = snprintf(folder, capacity, "%s%sAll Users\\Application Data", windows,
                           windows[length - 1] == '\\' ? "" : "\\");
    return written > 0 && (size_t)written < capacity;
}

// The program's long path, its folder (with trailing backslash) and base name.
static int OwnPlace(Saver *saver, char *folder, size_t folderCapacity)
{
    char modulePath[MAX_PATH] = "";
    char longPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        return 0;
    // The system may start a screen saver by its short (8.3) path.
    length = GetLongPathNameA(modulePath, longPath, sizeof longPath);
    if (length == 0 || length >= sizeof longPath)
        memcpy(longPath, modulePath, sizeof longPath);
    char *name = strrchr(longPath, '\\');
    if (name == NULL)
        return 0;
    snprintf(saver->name, sizeof saver->name, "%s", name + 1);
    char *dot = strrchr(saver->name, '.');
    if (dot != NULL)
        *dot = '\0';
    name[1] = '\0';
    int written = snprintf(folder, folderCapacity, "%s", longPath);
    return written > 0 && (size_t)written < folderCapacity;
}

static int UseIfPresent(Saver *saver, const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    snprintf(saver->dataFilePath, sizeof saver->dataFilePath, "%s", path);
    return 1;
}

static void FindDataFile(Saver *saver)
{
    char ownFolder[MAX_PATH];
    char common[MAX_PATH];
    char path[MAX_PATH];
    saver->dataFilePath[0] = '\0';
    if (!OwnPlace(saver, ownFolder, sizeof ownFolder))
        return;
    if (CommonDataFolder(common, sizeof common)) {
        int written = snprintf(path, sizeof path, "%s\\Quillmoor\\Glimmerkit\\%s\\%s.dat", common,
                               saver->name, saver->name);
        if (written > 0 && (size_t)written < sizeof path && UseIfPresent(saver, path))
            return;
    }
    int written = snprintf(path, sizeof path, "%s%s.dat", ownFolder, saver->name);
    if (written > 0 && (size_t)written < sizeof path)
        UseIfPresent(saver, path);
}

void LoadSaverSettings(Saver *saver)
{
    saver->settings = DefaultSaverSettings();
    FindDataFile(saver);
    if (saver->dataFilePath[0] == '\0')
        return;
    HANDLE file = CreateFileA(saver->dataFilePath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[4096];
    DWORD got = 0;
    if (ReadFile(file, text, sizeof text, &got, NULL))
        ParseSaverSettings(text, got, &saver->settings);
    CloseHandle(file);
}

int SaveSaverSettings(const Saver *saver, const SaverSettings *settings)
{
    char text[128];
    size_t length = FormatSaverSettings(settings, text, sizeof text);
    if (saver->dataFilePath[0] == '\0' || length == 0)
        return 0;
    HANDLE file = CreateFileA(saver->dataFilePath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, (DWORD)length, &written, NULL) && written == length;
    return CloseHandle(file) && ok;
}
