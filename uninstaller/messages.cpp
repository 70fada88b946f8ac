// The uninstaller's message boxes: caption "%s Screen Saver Uninstall" with
// the base name, no owner window, never in silent mode.
#include <stdio.h>

#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

static void FormatCaption(char *caption, size_t capacity)
{
    snprintf(caption, capacity, TEXT_UNINSTALL_CAPTION, baseName);
}

int AskUser(const char *text)
{
    if (silentMode)
        return 1;
    char caption[kUninstallPathSize + 32];
    FormatCaption(caption, sizeof caption);
    return MessageBoxA(NULL, text, caption, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void TellUser(const char *text, UINT icon)
{
    if (silentMode)
        return;
    char caption[kUninstallPathSize + 32];
    FormatCaption(caption, sizeof caption);
    MessageBoxA(NULL, text, caption, MB_OK | icon | MB_SETFOREGROUND);
}
