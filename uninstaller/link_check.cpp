// LeadsThroughLink: the uninstaller deletes nothing through a link.
#include "package/link_levels.h"
#include "system_dlls/system_dlls.h"
#include "uninstaller/uninstall.h"

static uint32_t ReadAttributes(const char *path, void *)
{
    return GetFileAttributesA(path);
}

void FindLinkBases(UninstallRun *run)
{
    GetCommonAppData(run->commonAppData);
    UINT length = GetWindowsDirectoryA(run->windowsFolder, sizeof run->windowsFolder);
    if (length == 0 || length >= sizeof run->windowsFolder)
        run->windowsFolder[0] = '\0';
}

int LeadsThroughLink(const UninstallRun *run, const char *path)
{
    const char *const bases[] = {run->commonAppData, run->windowsFolder};
    char found[kPathBufferSize];
    return FindLinkBelow(path, bases, 2, ReadAttributes, NULL, found, sizeof found);
}
