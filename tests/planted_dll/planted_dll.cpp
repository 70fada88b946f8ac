// A DLL that someone planted beside one of our programs, for the end-to-end
// tests: built as WINMM.DLL, SHFOLDER.DLL and VERSION.DLL, it leaves
// "<its own path>.loaded" behind when a process loads it.  It exports
// failing stand-ins for the functions our programs take from those DLLs,
// so that a program that does load it still starts and the mark shows.
// Lean: the real declarations of the stand-ins below stay out.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char mark[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(instance, mark, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyA(mark + length, ".loaded");
    HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI mciSendCommandA(UINT, UINT, DWORD_PTR, DWORD_PTR)
{
    return 1;
}

extern "C" __declspec(dllexport) HRESULT WINAPI SHGetFolderPathA(HWND, int, HANDLE, DWORD, LPSTR)
{
    return E_FAIL;
}
