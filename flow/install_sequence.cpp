// RunInstallSequence: the order of the install, up to the progress dialog.
#include "flow/install_sequence.h"

#include <stdio.h>
#include <string.h>

#include "engine/extraction.h"
#include "flow/checks.h"
#include "flow/text_rules.h"
#include "package/manifest.h"
#include "resource.h"
#include "texts.h"

char screenSaverFileName[kNameFieldSize];

// Builds screenSaverFileName from the trimmed name.  A name too long for
// the name and ".scr" to fit in 260 bytes (the longest stored name is 259
// characters) is cut so that the ".scr" always survives: such a user gets
// a file named by the first 255 characters, which is also the longest file
// name component Windows accepts.  The file name, and with it the data
// folder and the uninstall key, has '_' for each character that can't
// stand in a name: only a damaged package holds one, and "..\" in it must
// not lead out of the Windows directory.  The texts shown keep the name.
static void BuildScreenSaverFileName(void)
{
    static const char extension[] = ".scr";
    CopyText(screenSaverFileName, sizeof screenSaverFileName - (sizeof extension - 1), screenSaverName);
    MakeFileNameSafe(screenSaverFileName);
    AppendText(screenSaverFileName, sizeof screenSaverFileName, extension);
}

// Steps 7-10: the confirmation message.  The message buffer is sized so
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
    if (InstallMode != INSTALL_MODE_INTERACTIVE)
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
    BuildScreenSaverFileName();

    if (!ConfirmInstall(caption))
        return;
    if (!ShowLicense(moduleInstance))
        return;

    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    INT_PTR result = DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL, ProgressDialogProc, 0);
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    if (result == 2)
        return;
    RunClosingActions(caption);
}
