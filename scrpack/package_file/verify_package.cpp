// VerifyWrittenPackage: the package as the installer will read it.
#include "scrpack/package_file/verify_package.h"

#include <cstring>

#include "scrpack/package_file/opened_package.h"
#include "scrpack/package_file/record_check.h"

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
        // Every block, from the written file, through the same check as
        // "scrpack verify": a package put in place always passes it.
        const Bytes &want = spec.files[i].content;
        size_t at = 0;
        bool same = true;
        ByteSink compare = [&](const uint8_t *data, size_t size) {
            same = same && at <= want.size() && size <= want.size() - at &&
                   std::memcmp(data, want.data() + at, size) == 0;
            at += size;
            return true;
        };
        RecordCheck check = CheckRecord(package.file(), record, compare);
        if (!check.sound || !same || at != want.size()) {
            *error = (record.originalSize ? "the compressed block of " + spec.files[i].label +
                                                " does not expand to the file"
                                          : "the stored block of " + spec.files[i].label +
                                                " does not read back as the file") +
                     (check.sound ? "" : ": " + check.problem);
            return false;
        }
    }
    return true;
}
