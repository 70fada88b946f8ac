// CheckInstalledNamesUnique.
#include "scrpack/package_file/installed_name_clashes.h"

#include "package/installed_names.h"
#include "package/package_format.h"
#include "scrpack/text/ansi_text.h"

namespace {

// A name as Windows compares it: upper case (ASCII and the Windows-1252
// letters), trailing dots and spaces dropped.
std::string Folded(const std::string &name)
{
    std::string folded = name.substr(0, name.find_last_not_of(". ") + 1);
    for (char &c : folded) {
        unsigned char u = (unsigned char)c;
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            u = (unsigned char)(u - 0x20);
        else if (u == 0x9A || u == 0x9C || u == 0x9E)
            u = (unsigned char)(u - 0x10);
        else if (u == 0xFF)
            u = 0x9F;
        c = (char)u;
    }
    return folded;
}

std::string Describe(size_t index, const std::string &label)
{
    static const char *const kRoles[] = {"the screen saver", "the data file", "the uninstaller"};
    return (index < kRecordFirstMedia ? std::string(kRoles[index]) : std::string("--media")) + " " + label;
}

} // namespace

bool CheckInstalledNamesUnique(const PackageInput &spec, std::string *error)
{
    std::string name = spec.name.substr(0, spec.name.find_last_not_of(' ') + 1);
    char fileName[2 * kNameFieldSize], baseName[2 * kNameFieldSize];
    BuildScreenSaverFileName(fileName, sizeof fileName, name.c_str());
    CopyBaseName(baseName, sizeof baseName, fileName);
    // The install log comes first, as the installer's own file.
    std::vector<std::string> names = {TEXT_INSTALL_LOG}, owners = {"the installer's own log"};
    for (size_t i = kRecordDataFile; i < spec.files.size(); i++) {
        char path[2 * kNameFieldSize];
        BuildDataFolderFilePath(path, sizeof path, "", baseName, spec.firstFileNumber, (int)i,
                                spec.files[i].nameTail);
        names.push_back(path);
        owners.push_back(Describe(i, spec.files[i].label));
    }
    for (size_t i = 1; i < names.size(); i++) {
        for (size_t j = 0; j < i; j++) {
            if (Folded(names[i]) != Folded(names[j]))
                continue;
            *error = owners[i] + " would install as " + AnsiToUtf8(names[i]) + ", over " + owners[j] +
                     (j == 0 ? "" : " (" + AnsiToUtf8(names[j]) + ")") +
                     "; Windows compares names without case: choose another name, tail or --first-number";
            return false;
        }
    }
    return true;
}
