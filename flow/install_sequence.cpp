// RunInstallSequence: the order of the install, up to the progress dialog.
#include "flow/install_sequence.h"

#include <stdio.h>
#include <string.h>

#include "engine/extraction.h"
#include "flow/checks.h"
#include "package/installed_names.h"
#include "package/manifest.h"
#include "package/text_rules.h"
#include "resource.h"
#include "texts.h"

char screenSaverFileName[kNameFieldSize];

// The confirmation message.  The message buffer is sized so
// that the longest name, directory and byte count always fit whole.
static int ConfirmInstall(const char *caption)
{
    char windowsDirectory[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory)
        windowsDirectory[0] = '\0';
    UpperCaseAscii(windowsDirectory);

    char byteCount[36];
    FormatThousands(totalInstallBytes, byteCount);

    char message[sizeof TEXT_CONFIRMATION + kNameFieldSize + MAX_PATH + sizeof byteCount];
    snprintf(message, sizeof message, TEXT_CONFIRMATION, screenSaverName, windowsDirectory, byteCount);
    if (installMode != kInstallModeInteractive)
        return 1;
    return MessageBoxA(NULL, message, caption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void RunInstallSequence(void)
{
    ReadScreenSaverName(screenSaverName);
    if (!CheckExistingScreenSaver())
        return;
    if (!CheckDiskSpace())
        return;
    TrimTrailingSpaces(screenSaverName);

    // The caption is cut at 255 characters when a long name would not fit.
    char caption[256];
    snprintf(caption, sizeof caption, TEXT_INSTALL_CAPTION, screenSaverName);
    // The texts shown keep the name as it is.
    BuildScreenSaverFileName(screenSaverFileName, sizeof screenSaverFileName, screenSaverName);

    if (!ConfirmInstall(caption))
        return;
    if (!ShowLicense(moduleInstance))
        return;

    ExtractionRequest request;
    request.instance = moduleInstance;
    request.screenSaverFileName = screenSaverFileName;
    request.showProgress = installMode == kInstallModeInteractive;
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    INT_PTR result = DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL, ProgressDialogProc,
                                     (LPARAM)&request);
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    if (result == 2)
        return;
    RunClosingActions(caption);
}
