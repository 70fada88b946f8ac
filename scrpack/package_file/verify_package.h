// The last check before a package is put in place: the written file is
// read back through the installer's own manifest code, and every block is
// read back, a compressed one through the installer's decoder with the
// checks of "scrpack verify".
#ifndef SCRPACK_PACKAGE_FILE_VERIFY_PACKAGE_H
#define SCRPACK_PACKAGE_FILE_VERIFY_PACKAGE_H

#include <string>

#include "scrpack/package_file/package_writer.h"

bool VerifyWrittenPackage(const std::string &path, const PackageInput &spec, const BuiltPackage &built,
                          std::string *error);

#endif
