// GetCommonAppData: the machine's common application data folder.
#include <shlobj.h>

#include "system_dlls/system_dlls.h"

typedef HRESULT(WINAPI *GetFolderPathFunction)(HWND, int, HANDLE, DWORD, LPSTR);

void GetCommonAppData(char *folder)
{
    folder[0] = '\0';
    HMODULE library = LoadSystemDll("SHFOLDER.DLL");
    if (library == NULL)
        return;
    GetFolderPathFunction getFolderPath =
        (GetFolderPathFunction)(void (*)(void))GetProcAddress(library, "SHGetFolderPathA");
    if (getFolderPath != NULL && getFolderPath(NULL, CSIDL_COMMON_APPDATA, NULL, 0, folder) != S_OK)
        folder[0] = '\0';
    FreeLibrary(library);
}
