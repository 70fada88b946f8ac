// The "system.ini" [boot] "SCRNSAVE.EXE" entry that made the installed screen
// saver the system's screen saver.
#include <string.h>

#include "package/installed_names.h"
#include "uninstaller/texts.h"
#include "uninstaller/uninstall.h"

static void MatchEntry(const char *path, void *context)
{
    UninstallRun *run = (UninstallRun *)context;
    if (run->namedFile[0] != '\0')
        return;
    char shortPath[kPathBufferSize] = "";
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath)
        shortPath[0] = '\0';
    if (EntryNamesFile(run->entryValue, path, shortPath))
        memcpy(run->namedFile, path, strlen(path) + 1);
}

void NoteScreenSaverEntry(UninstallRun *run, const char *logPath)
{
    run->namedFile[0] = '\0';
    GetPrivateProfileStringA(TEXT_BOOT_SECTION, TEXT_SCREEN_SAVER_KEY, "", run->entryValue,
                             sizeof run->entryValue, TEXT_SYSTEM_INI);
    if (run->entryValue[0] != '\0')
        ForEachListedFile(logPath, MatchEntry, run);
}

int ClearScreenSaverEntry(UninstallRun *run)
{
    char *namedFile = run->namedFile;
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
