// Makes the installed screen saver the system's screen saver.
#include <windows.h>

#include "engine/system_registration.h"
#include "package/installed_names.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"

void SetDefaultScreenSaver(const char *screenSaverPath)
{
    // When the short form cannot be had (the file is missing) the entry
    // still names the screen saver that was installed, by its full path,
    // rather than being emptied, which would switch off whatever the user
    // had before without putting anything in its place.
    char shortPath[kPathBufferSize] = "";
    DWORD length = GetShortPathNameA(screenSaverPath, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath)
        CopyText(shortPath, sizeof shortPath, screenSaverPath);
    WritePrivateProfileStringA(TEXT_BOOT_SECTION, TEXT_SCREEN_SAVER_KEY, shortPath, TEXT_SYSTEM_INI);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_UPDATEINIFILE);
}
