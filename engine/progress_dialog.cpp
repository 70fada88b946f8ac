// ProgressDialogProc: the progress dialog that runs the extraction.
#include <stdio.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "package/manifest.h"
#include "resource.h"
#include "texts.h"

HWND progressWindow;

// The request of the dialog being shown (there is never more than one).
static const ExtractionRequest *currentRequest;

// Dialog start: shown only in Interactive mode; the work is started by the
// hidden OK button's command, posted so that it runs from the modal loop.
static void StartProgressDialog(HWND dialog, const ExtractionRequest *request)
{
    currentRequest = request;
    if (request->showProgress)
        ShowWindow(dialog, SW_SHOW);
    progressWindow = dialog;
    // A name too long for the text is cut; the texts are only shown.
    char text[kNameFieldSize];
    snprintf(text, sizeof text, TEXT_INSTALL_CAPTION, screenSaverName);
    SetWindowTextA(dialog, text);
    snprintf(text, sizeof text, TEXT_STATUS, screenSaverName);
    SetDlgItemTextA(dialog, IDC_STATUS, text);
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
}

// Cancel asks once; a confirmed abort is noticed by the run at its next
// abort test.  The dialog itself is never ended here.
static void AskToAbort(HWND dialog)
{
    if (abortRequested)
        return;
    if (MessageBoxA(dialog, TEXT_ABORT_QUESTION, TEXT_ABORT_CAPTION, MB_YESNO) == IDYES)
        abortRequested = 1;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        StartProgressDialog(dialog, (const ExtractionRequest *)lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDOK) {
        EndDialog(dialog, RunExtraction(currentRequest));
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDCANCEL)
        AskToAbort(dialog);
    return FALSE;
}
