// OrderInfoDlgProc and the centring shared with the licence dialog.
#include "flow/install_sequence.h"

void CentreDialog(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    MoveWindow(dialog, x, y, width, height, FALSE);
}

INT_PTR CALLBACK OrderInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_INITDIALOG) {
        CentreDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, (INT_PTR)wParam);
        return TRUE;
    }
    return FALSE;
}
