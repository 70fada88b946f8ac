// The screen saver's window: full screen on every monitor, or a child of the
// display settings' preview window.  A timer moves the lanterns; the picture
// is drawn off screen and copied in one go.  The window keeps the Saver
// it was created with in its GWLP_USERDATA slot.
#include <stdlib.h>

#include "samples/saver.h"

static const char kClassName[] = "GlimmerkitSampleSaver";
static const UINT kFrameMilliseconds = 40;
// Mouse travel, in pixels, that ends the full screen saver.
static const int kMouseSlack = 4;

static void EndFullScreen(HWND window, const Saver *saver)
{
    if (saver->fullScreen)
        PostMessageA(window, WM_CLOSE, 0, 0);
}

static void Paint(HWND window, const LanternSky *sky)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    int width = client.right;
    int height = client.bottom;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP picture = CreateCompatibleBitmap(dc, width, height);
    if (memory != NULL && picture != NULL) {
        HGDIOBJ old = SelectObject(memory, picture);
        PaintSky(memory, width, height, sky);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    if (picture != NULL)
        DeleteObject(picture);
    if (memory != NULL)
        DeleteDC(memory);
    EndPaint(window, &paint);
}

static void StartSky(HWND window, Saver *saver)
{
    RECT client;
    GetClientRect(window, &client);
    StartLanternSky(&saver->sky, client.right, client.bottom, &saver->settings, GetTickCount());
}

static LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The first message that carries the creation parameter.
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTA *)lParam)->lpCreateParams);
    Saver *saver = (Saver *)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (saver == NULL)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        StartSky(window, saver);
        SetTimer(window, 1, kFrameMilliseconds, NULL);
        return 0;
    case WM_SIZE:
        StartSky(window, saver);
        return 0;
    case WM_TIMER:
        // A preview ends with the window it draws into.
        if (saver->previewParent != NULL && !IsWindow(saver->previewParent)) {
            DestroyWindow(window);
            return 0;
        }
        StepLanternSky(&saver->sky);
        InvalidateRect(window, NULL, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(window, &saver->sky);
        return 0;
    case WM_SETCURSOR:
        if (saver->fullScreen) {
            SetCursor(NULL);
            return TRUE;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        EndFullScreen(window, saver);
        return 0;
    case WM_MOUSEMOVE: {
        // The system sends moves without a move of the mouse (a window
        // appearing under the cursor); only real travel counts.
        POINT cursor;
        GetCursorPos(&cursor);
        if (abs(cursor.x - saver->startCursor.x) > kMouseSlack || abs(cursor.y - saver->startCursor.y) > kMouseSlack)
            EndFullScreen(window, saver);
        return 0;
    }
    case WM_ACTIVATEAPP:
        if (!wParam)
            EndFullScreen(window, saver);
        return 0;
    case WM_SYSCOMMAND:
        // No second screen saver over this one.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
            return 0;
        break;
    case WM_DESTROY:
        KillTimer(window, 1);
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RunSaverWindow(Saver *saver, HWND parent)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.hInstance = saver->instance;
    windowClass.hIcon = LoadIconA(saver->instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);

    HWND window;
    saver->previewParent = parent;
    if (parent != NULL) {
        RECT area;
        GetClientRect(parent, &area);
        window = CreateWindowExA(0, kClassName, saver->name, WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                                 area.bottom, parent, NULL, saver->instance, saver);
    } else {
        saver->fullScreen = 1;
        GetCursorPos(&saver->startCursor);
        int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
        int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        if (width <= 0 || height <= 0) {
            x = y = 0;
            width = GetSystemMetrics(SM_CXSCREEN);
            height = GetSystemMetrics(SM_CYSCREEN);
        }
        window = CreateWindowExA(WS_EX_TOPMOST, kClassName, saver->name, WS_POPUP | WS_VISIBLE, x, y,
                                 width, height, NULL, NULL, saver->instance, saver);
        if (window != NULL)
            SetForegroundWindow(window);
    }
    if (window == NULL)
        return;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
