// InstalledToolFile: scrpack's own files, found from its own location.
#include "scrpack/commands/tool_files.h"

#include "scrpack/system/system.h"

const char kInstalledStub[] = "installer-stub.exe";
const char kInstalledUninstaller[] = "uninstaller.exe";

std::string InstalledToolFile(const char *name)
{
    std::string folder = ProgramFolder();
    if (folder.empty())
        return "";
    size_t parentEnd = folder.find_last_of(kPathSeparators);
    if (parentEnd != std::string::npos) {
        std::string shared = folder.substr(0, parentEnd) + kPathSeparator + "share" + kPathSeparator + "glimmerkit";
        if (IsFolder(shared))
            return shared + kPathSeparator + name;
    }
    return folder + kPathSeparator + name;
}
