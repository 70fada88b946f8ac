// The settings dialog ("/c" or no argument): the number of lanterns and their
// speed, kept in the data file.
#include <stdio.h>

#include "samples/sample_resource.h"
#include "samples/saver.h"

static const char kNoDataFile[] = "No data file was found: these are the standard settings, and they cannot be kept.";
static const char kDataFile[] = "Settings are kept in %s";
static const char kNotSaved[] = "The settings could not be written to %s.";

static int ReadNumber(HWND dialog, int control, int low, int high, int fallback)
{
    BOOL read = FALSE;
    int value = (int)GetDlgItemInt(dialog, control, &read, FALSE);
    if (!read)
        return fallback;
    return value < low ? low : value > high ? high : value;
}

// The saver travels with the dialog, in its DWLP_USER slot.
static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    Saver *saver = (Saver *)GetWindowLongPtrA(dialog, DWLP_USER);
    if (saver == NULL)
        return FALSE;
    char text[MAX_PATH + 128];
    switch (message) {
    case WM_INITDIALOG:
        snprintf(text, sizeof text, "%s Settings", saver->name);
        SetWindowTextA(dialog, text);
        SetDlgItemInt(dialog, IDC_COUNT, (UINT)saver->settings.lanterns, FALSE);
        SetDlgItemInt(dialog, IDC_SPEED, (UINT)saver->settings.speed, FALSE);
        SendDlgItemMessageA(dialog, IDC_COUNT, EM_LIMITTEXT, 2, 0);
        SendDlgItemMessageA(dialog, IDC_SPEED, EM_LIMITTEXT, 2, 0);
        if (saver->dataFilePath[0] != '\0')
            snprintf(text, sizeof text, kDataFile, saver->dataFilePath);
        else
            snprintf(text, sizeof text, "%s", kNoDataFile);
        SetDlgItemTextA(dialog, IDC_DATAFILE, text);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            SaverSettings chosen;
            chosen.lanterns = ReadNumber(dialog, IDC_COUNT, kMinLanterns, kMaxLanterns, saver->settings.lanterns);
            chosen.speed = ReadNumber(dialog, IDC_SPEED, kMinSpeed, kMaxSpeed, saver->settings.speed);
            if (saver->dataFilePath[0] != '\0' && !SaveSaverSettings(saver, &chosen)) {
                snprintf(text, sizeof text, kNotSaved, saver->dataFilePath);
                MessageBoxA(dialog, text, saver->name, MB_OK | MB_ICONWARNING);
                return TRUE;
            }
            saver->settings = chosen;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

void RunSettingsDialog(Saver *saver, HWND parent)
{
    DialogBoxParamA(saver->instance, MAKEINTRESOURCEA(IDD_SETTINGS), parent, SettingsDialogProc, (LPARAM)saver);
}
