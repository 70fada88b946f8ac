// ReadPackage: the manifest through the installer's own readers.
#include "scrpack/package_file/package_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "package/installed_names.h"
#include "package/manifest.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/system/file_io.h"
#include "scrpack/system/system.h"

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

// Enough for the headers and section table of any image the linker makes.
static const size_t kHeaderBytes = 65536;

// Reads the manifest's fields from its first byte on: the licence, the
// name, the first file number and the records up to the terminator or the
// end of the file.  False when the fields before the records are cut short.
static bool ReadManifestFields(HFILE file, PackageContents *contents)
{
    unsigned char field[kNameFieldSize];
    UINT licenseLength;
    bool ok = ReadLicenseLength(file, &licenseLength);
    if (ok) {
        contents->license.resize(licenseLength);
        ok = licenseLength == 0 || ReadExact(file, &contents->license[0], licenseLength);
    }
    ok = ok && ReadExact(file, field, kNameFieldSize);
    // The installer ends the name at 259 characters when the field has no
    // NUL: list the name it will use.
    if (ok)
        contents->name.assign((const char *)field, strnlen((const char *)field, kMaxNameLength));
    ok = ok && ReadExact(file, field, kFirstFileNumberSize);
    if (ok)
        contents->firstFileNumber = (uint16_t)(field[0] | field[1] << 8);
    FileRecord record;
    while (ok && ReadFileRecord(file, &record))
        contents->records.push_back(record);
    // ReadFileRecord hands back a record cut short by the end of the file
    // as all zero; only a whole terminator leaves the position behind it.
    contents->terminated = ok && _llseek(file, 0, FILE_CURRENT) ==
                                     (LONG)(contents->manifestOffset +
                                            ManifestSize(contents->license.size(), contents->records.size() + 1));
    return ok;
}

bool ReadPackageFile(int fd, const std::string &path, PackageContents *contents, std::string *error)
{
    *contents = PackageContents();
    // Only the headers are needed to tell PE32 from PE32+.
    Bytes image;
    PeImage pe;
    if (!ReadOpenFileStart(fd, path, kHeaderBytes, &image, error))
        return false;
    if (!ParsePeImage(image, &pe, error))
        return Fail(error, path + ": " + *error);
    image.clear();

    // The installer's own walk to the manifest, on a handle of its own.
    HFILE file = OpenManifestFile(path.c_str(), pe.formatOptionalSize);
    if (file == HFILE_ERROR)
        return Fail(error, path + ": the installer cannot find a manifest in this file");
    contents->manifestOffset = (size_t)_llseek(file, 0, FILE_CURRENT);
    bool ok = ReadManifestFields(file, contents);
    // A stub ends inside its image, a few bytes after its manifest
    // position: what it holds there is no package.
    LONG fileSize = _llseek(file, 0, FILE_END);
    _lclose(file);
    if ((!ok || contents->records.empty()) && fileSize >= 0 && (uint64_t)fileSize <= ImageDataEnd(pe))
        return Fail(error, path + ": an installer stub with no package: nothing follows its manifest position "
                                  "(scrpack build makes a package from it)");
    if (!ok)
        return Fail(error, path + ": the manifest is cut short");
    return true;
}

bool ReadPackage(const std::string &path, PackageContents *contents, std::string *error)
{
    uint64_t size;
    int fd = OpenRegularFile(path, &size, error);
    if (fd < 0)
        return false;
    bool ok = ReadPackageFile(fd, path, contents, error);
    CloseFile(fd);
    return ok;
}

uint64_t PackageDataEnd(const PackageContents &contents)
{
    uint64_t end = contents.manifestOffset +
                   ManifestSize(contents.license.size(), contents.records.size() + (contents.terminated ? 1 : 0));
    for (const FileRecord &record : contents.records)
        end = std::max(end, (uint64_t)record.dataOffset + record.storedSize);
    return end;
}

std::string InstalledFileName(const PackageContents &contents, size_t index)
{
    std::string name = contents.name.substr(0, contents.name.find_last_not_of(' ') + 1);
    if (index == kRecordScreenSaver)
        return name + ".scr";
    // Room for the longest name a package can give: no cut here.
    char path[2 * kNameFieldSize];
    const FileRecord &record = contents.records[index];
    BuildDataFolderFilePath(path, sizeof path, "", name.c_str(), contents.firstFileNumber, (int)index,
                            record.nameTail);
    return path;
}

std::string QuotedNameTail(const FileRecord &record)
{
    std::string text = "\"";
    for (size_t i = 0; i < kNameTailTextSize && record.nameTail[i] != '\0'; i++) {
        unsigned char c = (unsigned char)record.nameTail[i];
        if (c == '"' || c == '\\') {
            text += '\\';
            text += (char)c;
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += (char)c;
        }
    }
    return text + "\"";
}
