// LongestInstalledPath and CheckInstalledPaths: the installer's own path
// rules, run on the longest folders it can meet.
#include "scrpack/package_file/installed_paths.h"

#include <cstring>

#include "package/installed_names.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"
#include "texts.h"

namespace {

// The common application data folder of Windows 2000 and XP, the longest
// the installer can meet (later systems have C:\ProgramData).
#define TEXT_LONGEST_COMMON_APP_DATA "C:\\Documents and Settings\\All Users\\Application Data"
// The Windows directory: C:\WINDOWS, where Windows installs itself unless
// told otherwise (older NT systems use the shorter C:\WINNT).  A system
// installed into a longer folder is not provided for.
#define TEXT_LONGEST_WINDOWS_DIRECTORY "C:\\WINDOWS"
// Without SHFOLDER.DLL the data folder lies under the Windows directory,
// which then gives a shorter path.
static_assert(sizeof(TEXT_LONGEST_WINDOWS_DIRECTORY "\\" TEXT_ALL_USERS "\\" TEXT_APPLICATION_DATA) <=
                  sizeof(TEXT_LONGEST_COMMON_APP_DATA),
              "the data folder is longest under the common application data folder");

// Every path the installer builds fits in its path buffer with its NUL or
// is not used.
const size_t kLongestUsablePath = kPathBufferSize - 1;

// Room for every path of any package, so that each is built whole and its
// length can be told.
enum { kRoom = 4 * kPathBufferSize };

void Consider(InstalledPath *longest, const char *path, const std::string &file, const char *under)
{
    size_t length = std::strlen(path);
    if (length > longest->length) {
        longest->file = file;
        longest->under = under;
        longest->length = length;
    }
}

} // namespace

InstalledPath LongestInstalledPath(const PackageInput &spec, size_t nameLength)
{
    // Only the name's length counts: the file name keeps it, with '_' for
    // any character a name can't hold.
    std::string name(nameLength, 'N');
    char fileName[kNameFieldSize], baseName[kNameFieldSize], folder[kRoom], path[kRoom];
    BuildScreenSaverFileName(fileName, sizeof fileName, name.c_str());
    CopyBaseName(baseName, sizeof baseName, fileName);

    InstalledPath longest;
    CopyText(path, sizeof path, TEXT_LONGEST_WINDOWS_DIRECTORY);
    AppendBackslash(path, sizeof path);
    AppendText(path, sizeof path, fileName);
    Consider(&longest, path, "the screen saver", TEXT_LONGEST_WINDOWS_DIRECTORY);

    CopyText(folder, sizeof folder, TEXT_LONGEST_COMMON_APP_DATA);
    AppendDataFolderLevels(folder, sizeof folder, baseName, nullptr);
    CopyText(path, sizeof path, folder);
    AppendText(path, sizeof path, TEXT_INSTALL_LOG);
    Consider(&longest, path, "the install log", TEXT_LONGEST_COMMON_APP_DATA);
    for (size_t i = kRecordDataFile; i < spec.files.size(); i++) {
        BuildDataFolderFilePath(path, sizeof path, folder, baseName, spec.firstFileNumber, (int)i,
                                spec.files[i].nameTail);
        std::string file = i == kRecordDataFile      ? "the data file"
                           : i == kRecordUninstaller ? "the uninstaller"
                                                     : path + std::strlen(folder);
        Consider(&longest, path, file, TEXT_LONGEST_COMMON_APP_DATA);
    }
    return longest;
}

bool CheckInstalledPaths(const PackageInput &spec, std::string *error)
{
    size_t length = spec.name.find_last_not_of(' ') + 1;
    InstalledPath longest = LongestInstalledPath(spec, length);
    if (longest.length <= kLongestUsablePath)
        return true;
    size_t fits = length;
    while (fits > 0 && LongestInstalledPath(spec, fits).length > kLongestUsablePath)
        fits--;
    *error = "the name has " + std::to_string(length) + " characters and at most " + std::to_string(fits) +
             " fit: under " + longest.under + " the path of " + longest.file + " would have " +
             std::to_string(longest.length) + " characters, and the installer skips files whose paths pass " +
             std::to_string(kLongestUsablePath);
    return false;
}
