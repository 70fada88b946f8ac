// OpenedPackage: the file opened once, the manifest read back.
#include "scrpack/package_file/opened_package.h"

#include "package/manifest.h"
#include "scrpack/system/file_io.h"
#include "scrpack/system/system.h"
#include "scrpack/text/ansi_text.h"

OpenedPackage::~OpenedPackage()
{
    if (file_.fd >= 0)
        CloseFile(file_.fd);
}

bool OpenedPackage::Open(const std::string &path, std::string *error)
{
    path_ = path;
    file_.fd = OpenRegularFile(path, &file_.size, error);
    if (file_.fd < 0 || !ReadPackageFile(file_.fd, path, &contents_, error))
        return false;
    file_.dataStart = contents_.manifestOffset + ManifestSize(contents_.license.size(), contents_.records.size() + 1);
    if (!contents_.terminated)
        problems_.push_back("the file ends inside the record table");
    if (contents_.records.size() < kRecordFirstMedia)
        problems_.push_back("the screen saver, its data file and the uninstaller take 3 records; it holds " +
                            std::to_string(contents_.records.size()));
    return true;
}

bool OpenedPackage::ReadSignature(SignatureStatus *status, std::string *error) const
{
    return ReadSignatureStatusOf(file_.fd, path_, PackageDataEnd(contents_), status, error);
}

bool OpenPackageWithSignature(const std::string &path, OpenedPackage *package, SignatureStatus *signature,
                              std::string *error)
{
    return package->Open(path, error) && package->ReadSignature(signature, error);
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
