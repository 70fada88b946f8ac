// A package opened for "scrpack list", "verify" and "extract", and for
// the check of a package just written: its file, opened once and held
// open, its manifest as the installer reads it, and, for the commands, its
// signature and integrity, read through the same file.
#ifndef SCRPACK_PACKAGE_FILE_OPENED_PACKAGE_H
#define SCRPACK_PACKAGE_FILE_OPENED_PACKAGE_H

#include <string>
#include <vector>

#include "scrpack/package_file/package_reader.h"
#include "scrpack/package_file/record_check.h"
#include "scrpack/pe/signature_status.h"

class OpenedPackage {
public:
    OpenedPackage() = default;
    ~OpenedPackage();
    OpenedPackage(const OpenedPackage &) = delete;
    OpenedPackage &operator=(const OpenedPackage &) = delete;

    // Fails (one line in error) when the file can't be read or the
    // installer would find no manifest in it.
    bool Open(const std::string &path, std::string *error);

    // Reads the signature and the integrity of the package (signature_status.h).
    bool ReadSignature(SignatureStatus *status, std::string *error) const;

    const PackageContents &contents() const { return contents_; }
    const PackageFile &file() const { return file_; }
    // Faults of the package as a whole, one line each: a record table cut
    // short, too few records for the installer's three fixed files.
    const std::vector<std::string> &problems() const { return problems_; }
    // Bytes the records install, for progress.
    uint64_t InstalledBytes() const;
    // The name the installer gives record index, as shown on a terminal.
    std::string DisplayName(size_t index) const;

private:
    std::string path_;
    PackageContents contents_;
    PackageFile file_;
    std::vector<std::string> problems_;
};

// Opens the package at path and reads its signature: the opening that
// "scrpack list", "verify" and "extract" share.
bool OpenPackageWithSignature(const std::string &path, OpenedPackage *package, SignatureStatus *signature,
                              std::string *error);

#endif
