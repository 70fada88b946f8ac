// RunInstallSequence: the order of the install, up to the progress dialog.
#include "flow/install_sequence.h"

#include <stdio.h>
#include <string.h>

#include "engine/extraction.h"
#include "engine/own_file.h"
#include "flow/checks.h"
#include "package/installed_names.h"
#include "package/integrity.h"
#include "package/manifest.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"
#include "resource.h"
#include "texts.h"

// The confirmation message.  The message buffer is sized so
// that the longest name, directory and byte count always fit whole.
static int ConfirmInstall(const char *caption, const char *screenSaverName, uint32_t totalInstallBytes)
{
    char windowsDirectory[kPathBufferSize] = "";
    UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory)
        windowsDirectory[0] = '\0';
    UpperCaseAscii(windowsDirectory);

    char byteCount[36];
    FormatThousands(totalInstallBytes, byteCount);

    char message[sizeof TEXT_CONFIRMATION + kNameFieldSize + kPathBufferSize + sizeof byteCount];
    snprintf(message, sizeof message, TEXT_CONFIRMATION, screenSaverName, windowsDirectory, byteCount);
    if (installMode != kInstallModeInteractive)
        return 1;
    return MessageBoxA(NULL, message, caption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

int RunInstallSequence(void)
{
    // Before the first window, the first registry access and the first
    // write: a damaged or cut installer does nothing but say so.  One
    // without an integrity record (an older package) goes on as it always
    // did; its blocks are checked as they are expanded.
    if (CheckOwnIntegrity() == kIntegrityDamaged) {
        if (installMode == kInstallModeInteractive)
            MessageBoxA(NULL, TEXT_DAMAGED, TEXT_DAMAGED_CAPTION, MB_ICONERROR);
        return kExitDamaged;
    }
    // The display name from the manifest, empty when it can't be read.
    char screenSaverName[kNameFieldSize] = "";
    uint32_t totalInstallBytes = 0;
    ReadScreenSaverName(screenSaverName);
    if (!CheckExistingScreenSaver(screenSaverName))
        return kExitInstalled;
    if (!CheckDiskSpace(&totalInstallBytes))
        return kExitInstalled;
    TrimTrailingSpaces(screenSaverName);

    // The caption is cut at 255 characters when a long name would not fit.
    char caption[256];
    snprintf(caption, sizeof caption, TEXT_INSTALL_CAPTION, screenSaverName);
    // The texts shown keep the name as it is.
    char screenSaverFileName[kNameFieldSize];
    BuildScreenSaverFileName(screenSaverFileName, sizeof screenSaverFileName, screenSaverName);

    if (!ConfirmInstall(caption, screenSaverName, totalInstallBytes))
        return kExitInstalled;
    if (!ShowLicense(moduleInstance))
        return kExitInstalled;

    // About 0.5 KB of results: the sequence's own, for the dialog's life.
    ExtractionRun run;
    memset(&run, 0, sizeof run);
    run.request.instance = moduleInstance;
    run.request.screenSaverName = screenSaverName;
    run.request.screenSaverFileName = screenSaverFileName;
    run.request.showProgress = installMode == kInstallModeInteractive;
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    INT_PTR result =
        DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL, ProgressDialogProc, (LPARAM)&run);
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    if (result == kExtractionAccessRefused)
        return kExitInstalled;
    return RunClosingActions(caption, screenSaverFileName, &run.result);
}
