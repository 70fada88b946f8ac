// OpenedPackage: the manifest read back, the file held open.
#include "scrpack/package_file/opened_package.h"

#include <cerrno>
#include <cstring>

#include "package/manifest.h"
#include "scrpack/system/system.h"
#include "scrpack/text/ansi_text.h"

OpenedPackage::~OpenedPackage()
{
    if (file_.fd >= 0)
        CloseFile(file_.fd);
}

bool OpenedPackage::Open(const std::string &path, std::string *error)
{
    if (!ReadPackage(path, &contents_, error))
        return false;
    file_.fd = OpenForReading(path);
    if (file_.fd < 0 || !RegularFileSize(file_.fd, &file_.size)) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    file_.dataStart = contents_.manifestOffset + ManifestSize(contents_.license.size(), contents_.records.size() + 1);
    if (!contents_.terminated)
        problems_.push_back("the file ends inside the record table");
    if (contents_.records.size() < kRecordFirstMedia)
        problems_.push_back("the screen saver, its data file and the uninstaller take 3 records; it holds " +
                            std::to_string(contents_.records.size()));
    return true;
}

uint64_t OpenedPackage::InstalledBytes() const
{
    uint64_t total = 0;
    for (const FileRecord &record : contents_.records)
        total += InstalledSize(&record);
    return total;
}

std::string OpenedPackage::DisplayName(size_t index) const
{
    return AnsiToUtf8(InstalledFileName(contents_, index));
}
