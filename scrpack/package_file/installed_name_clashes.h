// Installed names that Windows would take for one: the data folder holds
// the data file, the uninstaller, the install log and every generated
// name, and Windows compares names without case (and without trailing
// dots), so two of them must differ in more than that.
#ifndef SCRPACK_PACKAGE_FILE_INSTALLED_NAME_CLASHES_H
#define SCRPACK_PACKAGE_FILE_INSTALLED_NAME_CLASHES_H

#include <string>

#include "scrpack/package_file/package_writer.h"

// Fails with one line naming both inputs when two files of spec would
// land under the same name in the data folder, or one under the install
// log's.
bool CheckInstalledNamesUnique(const PackageInput &spec, std::string *error);

#endif
