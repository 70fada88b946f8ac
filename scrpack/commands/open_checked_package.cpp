// OpenCheckedPackage: the one opening of "list", "verify" and "extract".
#include "scrpack/commands/check_commands.h"

bool OpenCheckedPackage(const std::string &path, OpenedPackage *package, SignatureStatus *signature, std::FILE *err)
{
    std::string error;
    if (OpenPackageWithSignature(path, package, signature, &error))
        return true;
    std::fprintf(err, "scrpack: %s\n", error.c_str());
    return false;
}
