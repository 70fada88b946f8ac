// saverprobe: runs a screen saver the way the system does and reports what
// it saw, for the end-to-end tests.
//
//   saverprobe fullscreen SCR key|mouse   "/s"; checks the window covers the
//                                         screen, then ends it with a key
//                                         press or a mouse move
//   saverprobe preview SCR                "/p HWND" with a window of this
//                                         probe; checks the picture drawn
//                                         into it moves, then closes it
//   saverprobe settings SCR [COUNT SPEED] "/c"; prints the dialog's caption
//                                         and its edit fields, then cancels
//                                         or enters the values and confirms
//
// Prints one "name: value" line per finding; exit status 0 when the screen
// saver behaved, 1 otherwise (it is then killed).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DWORD kWaitMilliseconds = 15000;

PROCESS_INFORMATION Start(const char *saver, const char *arguments)
{
    char commandLine[1024];
    snprintf(commandLine, sizeof commandLine, "\"%s\" %s", saver, arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(saver, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("start: failed %lu\n", GetLastError());
        exit(1);
    }
    return process;
}

// Waits for the process to end, pumping this thread's messages meanwhile.
bool Ended(const PROCESS_INFORMATION &process, DWORD milliseconds)
{
    DWORD deadline = GetTickCount() + milliseconds;
    for (;;) {
        DWORD left = deadline - GetTickCount();
        if ((int)left <= 0)
            return false;
        DWORD result = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, left, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            return true;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

int Finish(const PROCESS_INFORMATION &process, bool ok)
{
    if (!Ended(process, ok ? 10000 : 0)) {
        printf("ended: no\n");
        TerminateProcess(process.hProcess, 3);
        return 1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("ended: yes, exit code %lu\n", code);
    return ok ? 0 : 1;
}

struct Search {
    DWORD process;
    const char *className;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam)
{
    Search *search = (Search *)lParam;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == search->process && IsWindowVisible(window) &&
        (search->className == NULL || strcmp(className, search->className) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const PROCESS_INFORMATION &process, const char *className)
{
    Search search = {process.dwProcessId, className, NULL};
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        EnumWindows(FindTopLevel, (LPARAM)&search);
        if (search.found != NULL)
            return search.found;
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
            return NULL;
    }
    return NULL;
}

// The screen under a window, read on a grid: how many points show the
// night sky, how many something brighter (the lanterns), and a fingerprint
// of the whole picture.
struct Picture {
    int night;
    int bright;
    unsigned long long fingerprint;
};

Picture Sample(HWND window)
{
    const COLORREF kNight = RGB(8, 12, 40);
    RECT rect;
    GetWindowRect(window, &rect);
    // About 64 points across: reading a pixel is slow.
    int step = (rect.right - rect.left) / 64 + 1;
    HDC screen = GetDC(NULL);
    Picture picture = {0, 0, 0};
    for (int y = rect.top + 1; y < rect.bottom; y += step) {
        for (int x = rect.left + 1; x < rect.right; x += step) {
            COLORREF color = GetPixel(screen, x, y);
            if (color == kNight)
                picture.night++;
            else if (color != CLR_INVALID && GetRValue(color) + GetGValue(color) + GetBValue(color) > 3 * 48)
                picture.bright++;
            picture.fingerprint = picture.fingerprint * 31 + color;
        }
    }
    ReleaseDC(NULL, screen);
    return picture;
}

int FullScreen(const char *saver, const char *how)
{
    PROCESS_INFORMATION process = Start(saver, "/s");
    HWND window = WaitForWindow(process, NULL);
    if (window == NULL) {
        printf("window: none\n");
        return Finish(process, false);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    bool covers = rect.left <= 0 && rect.top <= 0 && rect.right >= GetSystemMetrics(SM_CXSCREEN) &&
                  rect.bottom >= GetSystemMetrics(SM_CYSCREEN);
    printf("window: %s\n", covers ? "full screen" : "not full screen");
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    printf("topmost: %s\n", (exStyle & WS_EX_TOPMOST) ? "yes" : "no");
    // It keeps running while nothing happens.
    if (Ended(process, 1000)) {
        printf("running: no\n");
        return Finish(process, false);
    }
    printf("running: yes\n");
    Picture first = Sample(window);
    Ended(process, 300);
    Picture second = Sample(window);
    bool drawn = second.night > 0 && second.bright > 0;
    bool moving = first.fingerprint != second.fingerprint;
    printf("sky: %s\n", second.night > 0 ? "yes" : "no");
    printf("lanterns: %s\n", second.bright > 0 ? "yes" : "no");
    printf("moving: %s\n", moving ? "yes" : "no");
    SetForegroundWindow(window);
    INPUT input[2] = {};
    if (strcmp(how, "key") == 0) {
        input[0].type = INPUT_KEYBOARD;
        input[0].ki.wVk = VK_SHIFT;
        input[1] = input[0];
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof input[0]);
    } else {
        input[0].type = INPUT_MOUSE;
        input[0].mi.dx = 40;
        input[0].mi.dy = 30;
        input[0].mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, input, sizeof input[0]);
    }
    printf("sent: %s\n", how);
    return Finish(process, covers && drawn && moving);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

int Preview(const char *saver)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "SaverProbeParent";
    RegisterClassA(&windowClass);
    // The size of the display settings' little monitor.
    HWND parent = CreateWindowExA(0, windowClass.lpszClassName, "preview", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                                  152, 112, NULL, NULL, windowClass.hInstance, NULL);
    UpdateWindow(parent);
    char arguments[64];
    snprintf(arguments, sizeof arguments, "/p %llu", (unsigned long long)(ULONG_PTR)parent);
    PROCESS_INFORMATION process = Start(saver, arguments);

    HWND child = NULL;
    for (DWORD waited = 0; waited < kWaitMilliseconds && child == NULL; waited += 50) {
        if (Ended(process, 50))
            break;
        child = FindWindowExA(parent, NULL, NULL, NULL);
    }
    if (child == NULL) {
        printf("child: none\n");
        return Finish(process, false);
    }
    RECT rect;
    GetClientRect(child, &rect);
    bool fits = rect.right == 152 && rect.bottom == 112;
    printf("child: %ldx%ld\n", rect.right, rect.bottom);
    // The picture is redrawn on a timer: each frame invalidates the window
    // and painting it validates it again, so a window that never paints
    // stays invalid.  (Wine does not show a child window's drawing when its
    // parent belongs to another process, so the pixels cannot be read.)
    int painted = 0;
    for (int i = 0; i < 20; i++) {
        Ended(process, 25);
        if (!GetUpdateRect(child, NULL, FALSE))
            painted++;
    }
    printf("painting: %s\n", painted > 0 ? "yes" : "no");
    if (Ended(process, 0)) {
        printf("running: no\n");
        return Finish(process, false);
    }
    printf("running: yes\n");
    // The preview ends with the window it draws into.
    DestroyWindow(parent);
    return Finish(process, fits && painted > 0);
}

BOOL CALLBACK PrintEdit(HWND control, LPARAM)
{
    char className[32] = "";
    char text[256] = "";
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0) {
        // Another process's edit control tells its text only when asked.
        DWORD_PTR length = 0;
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &length);
        printf("field %d: %s\n", GetDlgCtrlID(control), text);
    }
    return TRUE;
}

// Cancels the dialog, or with count and speed given types them in and
// presses OK.
int Settings(const char *saver, const char *count, const char *speed)
{
    PROCESS_INFORMATION process = Start(saver, "/c");
    HWND dialog = WaitForWindow(process, "#32770");
    if (dialog == NULL) {
        printf("dialog: none\n");
        return Finish(process, false);
    }
    Sleep(200);
    char caption[256] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    printf("dialog: %s\n", caption);
    EnumChildWindows(dialog, PrintEdit, 0);
    if (count != NULL) {
        DWORD_PTR result;
        SendMessageTimeoutA(GetDlgItem(dialog, 2001), WM_SETTEXT, 0, (LPARAM)count, SMTO_ABORTIFHUNG, 5000, &result);
        SendMessageTimeoutA(GetDlgItem(dialog, 2002), WM_SETTEXT, 0, (LPARAM)speed, SMTO_ABORTIFHUNG, 5000, &result);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        printf("answer: OK\n");
    } else {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        printf("answer: Cancel\n");
    }
    return Finish(process, true);
}

} // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 4 && strcmp(argv[1], "fullscreen") == 0)
        return FullScreen(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "preview") == 0)
        return Preview(argv[2]);
    if (argc == 3 && strcmp(argv[1], "settings") == 0)
        return Settings(argv[2], NULL, NULL);
    if (argc == 5 && strcmp(argv[1], "settings") == 0)
        return Settings(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: saverprobe fullscreen SCR key|mouse | preview SCR | settings SCR [COUNT SPEED]\n");
    return 2;
}
