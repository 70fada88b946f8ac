// ProgressDialogProc: the progress dialog that runs the extraction.
#include <stdio.h>

#include "engine/extraction.h"
#include "flow/install_sequence.h"
#include "package/manifest.h"
#include "resource.h"
#include "texts.h"

HWND progressWindow;

// Dialog start: shown only in Interactive mode; the work is started by the
// hidden OK button's command, posted so that it runs from the modal loop.
static void StartProgressDialog(HWND dialog)
{
    if (InstallMode == INSTALL_MODE_INTERACTIVE)
        ShowWindow(dialog, SW_SHOW);
    progressWindow = dialog;
    char text[kNameFieldSize + 64];
    snprintf(text, sizeof text, TEXT_INSTALL_CAPTION, screenSaverName);
    SetWindowTextA(dialog, text);
    snprintf(text, sizeof text, TEXT_STATUS, screenSaverName);
    SetDlgItemTextA(dialog, IDC_STATUS, text);
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_INITDIALOG) {
        StartProgressDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDOK) {
        // Stand-in until the extraction is built: the walk is over at once.
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}
