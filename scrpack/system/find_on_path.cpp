// FindOnPath: the same walk over PATH on both systems.
#include "scrpack/system/system.h"

#include <cstdlib>

bool FindOnPath(const std::string &name, std::string *program)
{
    const char *path = std::getenv("PATH");
    std::string list = path ? path : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(kPathListSeparator, start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        start = end + 1;
        if (folder.empty())
            continue;
        char last = folder.back();
        std::string candidate = folder + (last == '/' || last == '\\' ? "" : "/") + name + kProgramSuffix;
        if (IsProgram(candidate)) {
            *program = candidate;
            return true;
        }
    }
    return false;
}
