// VerifyWrittenPackage: the package as the installer will read it.
#include "scrpack/verify_package.h"

#include <cstring>

#include "scrpack/package_reader.h"
#include "scrpack/verify_block.h"

bool VerifyWrittenPackage(const std::string &path, const PackageSpec &spec, const BuiltPackage &built,
                          std::string *error)
{
    PackageContents contents;
    if (!ReadPackage(path, &contents, error))
        return false;
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
        if (record.originalSize == 0)
            continue;
        Bytes block(built.bytes.begin() + record.dataOffset,
                    built.bytes.begin() + record.dataOffset + record.storedSize);
        if (!BlockExpandsTo(block, spec.files[i].content)) {
            *error = "the compressed block of " + spec.files[i].label + " does not expand to the file";
            return false;
        }
    }
    return true;
}
