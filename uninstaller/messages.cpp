// The uninstaller's message boxes: caption "%s Screen Saver Uninstall" with
// the base name, no owner window, never in silent mode.
#include <stdio.h>

#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

int AskUser(const UninstallRun *run, const char *text)
{
    if (run->silent)
        return 1;
    char caption[kPathBufferSize + 32];
    snprintf(caption, sizeof caption, TEXT_UNINSTALL_CAPTION, run->baseName);
    return MessageBoxA(NULL, text, caption, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void TellUser(const UninstallRun *run, const char *text, UINT icon)
{
    if (run->silent)
        return;
    char caption[kPathBufferSize + 32];
    snprintf(caption, sizeof caption, TEXT_UNINSTALL_CAPTION, run->baseName);
    MessageBoxA(NULL, text, caption, MB_OK | icon | MB_SETFOREGROUND);
}
