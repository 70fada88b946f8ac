// The "system.ini" [boot] "SCRNSAVE.EXE" entry that made the installed screen
// saver the system's screen saver.
#include <string.h>

#include "package/installed_names.h"
#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

static char entryValue[kUninstallPathSize];
// The listed file the entry names, or empty.
static char namedFile[kUninstallPathSize];

static void MatchEntry(const char *path, void *context)
{
    (void)context;
    if (namedFile[0] != '\0')
        return;
    char shortPath[kUninstallPathSize] = "";
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath)
        shortPath[0] = '\0';
    if (EntryNamesFile(entryValue, path, shortPath))
        memcpy(namedFile, path, strlen(path) + 1);
}

void NoteScreenSaverEntry(const char *logPath)
{
    namedFile[0] = '\0';
    GetPrivateProfileStringA(TEXT_BOOT_SECTION, TEXT_SCREEN_SAVER_KEY, "", entryValue,
                             sizeof entryValue, TEXT_SYSTEM_INI);
    if (entryValue[0] != '\0')
        ForEachListedFile(logPath, MatchEntry, NULL);
}

int ClearScreenSaverEntry(void)
{
    // An entry that names a file still there (one that could not be removed)
    // still works and stays.
    if (namedFile[0] == '\0' || GetFileAttributesA(namedFile) != INVALID_FILE_ATTRIBUTES)
        return 1;
    if (!WritePrivateProfileStringA(TEXT_BOOT_SECTION, TEXT_SCREEN_SAVER_KEY, NULL, TEXT_SYSTEM_INI))
        return 0;
    // A [boot] section that the install created holds nothing else now.
    char rest[4];
    if (GetPrivateProfileSectionA(TEXT_BOOT_SECTION, rest, sizeof rest, TEXT_SYSTEM_INI) == 0)
        WritePrivateProfileStringA(TEXT_BOOT_SECTION, NULL, NULL, TEXT_SYSTEM_INI);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, NULL, SPIF_UPDATEINIFILE);
    namedFile[0] = '\0';
    return 1;
}
