// ShowLicense and LicenseDlgProc: the package's licence for acceptance.
#include "engine/own_file.h"
#include "flow/checks.h"
#include "flow/install_sequence.h"
#include "package/manifest.h"
#include "resource.h"

// Shows the licence dialog when the package has a licence text.  Anything
// that keeps the text from being read (a short read, no memory) lets the
// installation go on; only Decline, Esc, the close box or a dialog that
// can't be created stop it.
int ShowLicense(HINSTANCE instance)
{
    int result = 1;
    HFILE manifest = OpenManifest();
    if (manifest == HFILE_ERROR)
        return 1;

    UINT licenseLength = 0;
    if (!ReadLicenseLength(manifest, &licenseLength) || licenseLength == 0) {
        _lclose(manifest);
        return 1;
    }

    // One byte more than the text and zero-filled: the text is terminated.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, licenseLength + 1);
    if (block == NULL) {
        _lclose(manifest);
        return 1;
    }
    char *text = (char *)GlobalLock(block);
    if (text == NULL) {
        GlobalFree(block);
        _lclose(manifest);
        return 1;
    }

    if (_lread(manifest, text, licenseLength) == licenseLength) {
        INT_PTR answer = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LICENSE), NULL, LicenseDlgProc, (LPARAM)text);
        result = answer == IDOK;
    }

    GlobalUnlock(block);
    GlobalFree(block);
    _lclose(manifest);
    return result;
}

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
