// LicenseDlgProc: the licence dialog's procedure.
#include "flow/checks.h"
#include "flow/install_sequence.h"
#include "resource.h"

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_LICENSETEXT, (const char *)lParam);
        CentreDialog(dialog);
        HWND text = GetDlgItem(dialog, IDC_LICENSETEXT);
        SetFocus(text);
        // Posted, not sent: the dialog manager selects the whole text of
        // the focused edit once the dialog is up; this clears that
        // selection afterwards.
        PostMessageA(text, EM_SETSEL, (WPARAM)-1, 0);
        return FALSE; // the focus has been set
    }
    // Accept (and Enter) is 1; Decline, Esc and the close box are 2.
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, (INT_PTR)wParam);
        return TRUE;
    }
    return FALSE;
}
