// WinMain: the install mode, the hidden main window and its message loop.
#include "flow/install_sequence.h"
#include "resource.h"
#include "system_dlls/system_dlls.h"
#include "texts.h"

InstallMode installMode = kInstallModeInteractive;
HINSTANCE moduleInstance;

static void RegisterInstallerClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = InstallerWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_INSTALLER));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = TEXT_WINDOW_CLASS;
    RegisterClassA(&windowClass);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    // Before anything can load a DLL on our behalf.
    LimitDllSearch();
    installMode = ParseInstallMode(commandLine);
    if (previousInstance == NULL)
        RegisterInstallerClass(instance);
    moduleInstance = instance;

    // The whole install runs inside this call, while WM_CREATE is handled;
    // the creation is then refused and no window is returned.
    int exitStatus = kExitInstalled;
    HWND window = CreateWindowExA(0, TEXT_WINDOW_CLASS, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, &exitStatus);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    if (window == NULL) {
        // Not every system sends WM_DESTROY after a refused creation, and a
        // creation that fails before WM_CREATE sends nothing at all: post
        // the quit message here so that the loop below always ends.
        PostQuitMessage(0);
    }

    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, NULL, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (exitStatus != kExitInstalled)
        return exitStatus;
    return got == 0 ? (int)message.wParam : 0;
}

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        *(int *)((CREATESTRUCTA *)lParam)->lpCreateParams = RunInstallSequence();
        return -1; // refuse the creation on every path
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
