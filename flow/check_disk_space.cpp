// CheckDiskSpace: sums the package's installed bytes and compares the
// Windows directory's free space with it.
#include <stdio.h>

#include "engine/own_file.h"
#include "flow/checks.h"
#include "package/manifest.h"
#include "texts.h"

int CheckDiskSpace(uint32_t *totalInstallBytes)
{
    HFILE manifest = OpenManifest();
    if (manifest == HFILE_ERROR)
        return 1;
    // Made before anything else can end the check: the confirmation
    // message shows this total whatever the check decides.
    *totalInstallBytes = SumInstalledSizes(manifest);
    _lclose(manifest);

    char windowsDirectory[512];
    UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory)
        return 1;

    uint32_t freeKB = GetFreeDiskKB(windowsDirectory);
    uint32_t neededKB = *totalInstallBytes / 1024;
    // Equal values do not pass; an unknown amount always does.
    if (freeKB > neededKB)
        return 1;

    char needed[kFormattedNumberSize];
    char available[kFormattedNumberSize];
    FormatThousands(neededKB, needed);
    FormatThousands(freeKB, available);
    char message[512];
    snprintf(message, sizeof message, TEXT_DISK_FULL, needed, available);
    return MessageBoxA(NULL, message, TEXT_DISK_FULL_CAPTION, MB_ICONINFORMATION | MB_OKCANCEL) != IDCANCEL;
}
