// CheckExistingScreenSaver: asks before replacing a same-name screen saver.
#include <stdio.h>

#include "flow/checks.h"
#include "flow/install_sequence.h"
#include "package/manifest.h"
#include "package/path_buffer.h"
#include "texts.h"

int CheckExistingScreenSaver(const char *screenSaverName)
{
    char windowsDirectory[kPathBufferSize];
    UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory)
        return 1;

    char fileName[kLookupNameSize];
    BuildLookupName(fileName, screenSaverName);
    char path[kPathBufferSize];
    if (!BuildLookupPath(path, sizeof path, windowsDirectory, fileName))
        return 1;
    // A file or a folder of that name both count.
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 1;

    // Sized for the longest file name, so the question is never cut.
    char question[sizeof TEXT_REPLACE_QUESTION + kLookupNameSize];
    snprintf(question, sizeof question, TEXT_REPLACE_QUESTION, fileName);
    if (installMode != kInstallModeInteractive)
        return 1;
    return MessageBoxA(NULL, question, TEXT_REPLACE_CAPTION, MB_ICONQUESTION | MB_YESNO) != IDNO;
}
