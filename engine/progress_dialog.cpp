// ProgressDialogProc: the progress dialog that runs the extraction.
#include <stdio.h>

#include "engine/extraction.h"
#include "engine/extraction_steps.h"
#include "engine/message_pump.h"
#include "resource.h"
#include "texts.h"

// Dialog start: shown only in Interactive mode; the work is started by the
// hidden OK button's command, posted so that it runs from the modal loop.
// The run travels with the dialog, in its DWLP_USER slot.
static void StartProgressDialog(HWND dialog, ExtractionRun *run)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)run);
    if (run->request.showProgress)
        ShowWindow(dialog, SW_SHOW);
    run->pump.pumpMessages = RunMessagePumpStep;
    run->pump.window = dialog;
    // A name too long for the text is cut; the texts are only shown.
    char text[kNameFieldSize];
    snprintf(text, sizeof text, TEXT_INSTALL_CAPTION, run->request.screenSaverName);
    SetWindowTextA(dialog, text);
    snprintf(text, sizeof text, TEXT_STATUS, run->request.screenSaverName);
    SetDlgItemTextA(dialog, IDC_STATUS, text);
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
}

// Cancel asks once; a confirmed abort is noticed by the run at its next
// abort test.  The dialog itself is never ended here.
static void AskToAbort(HWND dialog, ExtractionRun *run)
{
    if (run->pump.abortRequested)
        return;
    if (MessageBoxA(dialog, TEXT_ABORT_QUESTION, TEXT_ABORT_CAPTION, MB_YESNO) == IDYES)
        run->pump.abortRequested = 1;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        StartProgressDialog(dialog, (ExtractionRun *)lParam);
        return TRUE;
    }
    ExtractionRun *run = (ExtractionRun *)GetWindowLongPtrA(dialog, DWLP_USER);
    if (run == NULL || message != WM_COMMAND)
        return FALSE;
    if (wParam == IDOK) {
        EndDialog(dialog, RunExtraction(run));
        return TRUE;
    }
    if (wParam == IDCANCEL)
        AskToAbort(dialog, run);
    return FALSE;
}
