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

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    char text[MAX_PATH + 128];
    switch (message) {
    case WM_INITDIALOG:
        snprintf(text, sizeof text, "%s Settings", saverName);
        SetWindowTextA(dialog, text);
        SetDlgItemInt(dialog, IDC_COUNT, (UINT)saverSettings.lanterns, FALSE);
        SetDlgItemInt(dialog, IDC_SPEED, (UINT)saverSettings.speed, FALSE);
        SendDlgItemMessageA(dialog, IDC_COUNT, EM_LIMITTEXT, 2, 0);
        SendDlgItemMessageA(dialog, IDC_SPEED, EM_LIMITTEXT, 2, 0);
        if (dataFilePath[0] != '\0')
            snprintf(text, sizeof text, kDataFile, dataFilePath);
        else
            snprintf(text, sizeof text, "%s", kNoDataFile);
        SetDlgItemTextA(dialog, IDC_DATAFILE, text);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            SaverSettings chosen;
            chosen.lanterns = ReadNumber(dialog, IDC_COUNT, kMinLanterns, kMaxLanterns, saverSettings.lanterns);
            chosen.speed = ReadNumber(dialog, IDC_SPEED, kMinSpeed, kMaxSpeed, saverSettings.speed);
            if (dataFilePath[0] != '\0' && !SaveSaverSettings(&chosen)) {
                snprintf(text, sizeof text, kNotSaved, dataFilePath);
                MessageBoxA(dialog, text, saverName, MB_OK | MB_ICONWARNING);
                return TRUE;
            }
            saverSettings = chosen;
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

void RunSettingsDialog(HWND parent)
{
    DialogBoxParamA(saverInstance, MAKEINTRESOURCEA(IDD_SETTINGS), parent, SettingsDialogProc, 0);
}
