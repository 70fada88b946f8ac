// VerifyWrittenPackage: the package as the installer will read it.
#include "scrpack/package_file/verify_package.h"

#include <cstring>

#include "scrpack/package_file/opened_package.h"
#include "scrpack/package_file/record_check.h"

// Whether a block, read from the written file through the same check as
// "scrpack verify", gives the file it was made from: a package put in
// place always passes it.
static bool BlockReadsBack(const OpenedPackage &package, const FileRecord &record, const PackedFile &file,
                           std::string *error)
{
    const Bytes &want = file.content;
    size_t at = 0;
    bool same = true;
    ByteSink compare = [&](const uint8_t *data, size_t size) {
        same = same && at <= want.size() && size <= want.size() - at && std::memcmp(data, want.data() + at, size) == 0;
        at += size;
        return true;
    };
    RecordCheck check = CheckRecord(package.file(), record, compare);
    if (check.sound && same && at == want.size())
        return true;
    *error = (record.originalSize ? "the compressed block of " + file.label + " does not expand to the file"
                                  : "the stored block of " + file.label + " does not read back as the file") +
             (check.sound ? "" : ": " + check.problem);
    return false;
}

bool VerifyWrittenPackage(const std::string &path, const PackageInput &spec, const BuiltPackage &built,
                          std::string *error)
{
    OpenedPackage package;
    if (!package.Open(path, error))
        return false;
    const PackageContents &contents = package.contents();
    if (contents.manifestOffset != built.manifestOffset || contents.license != spec.license ||
        contents.name != spec.name || contents.firstFileNumber != spec.firstFileNumber || !contents.terminated ||
        contents.records.size() != built.records.size()) {
        *error = "the written manifest does not read back as written";
        return false;
    }
    for (size_t i = 0; i < built.records.size(); i++) {
        const FileRecord &record = built.records[i];
        if (std::memcmp(&contents.records[i], &record, sizeof record) != 0) {
            *error = "record " + std::to_string(i) + " does not read back as written";
            return false;
        }
        if (!BlockReadsBack(package, record, spec.files[i], error))
            return false;
    }
    return true;
}
