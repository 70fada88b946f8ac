// The installer's manifest readers over arbitrary file bytes.
//
// The input is the whole installer file.  It is read the way the installer
// reads its own file: OpenManifestFile (the PE walk and the resource walk, with
// the optional header taken as 224 and as 240 bytes), then each reader in
// install order: the name, the byte total of the disk-space check, the
// licence as the licence step reads it, and the extraction's record walk
// with its destination names, block seeks and absolute seeks back to the
// next record.  Checked: the name always ends within its 260 bytes, every
// destination name within its buffer, and the walk ends.
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "flow/portable/rules.h"
#include "package/installed_names.h"
#include "package/integrity.h"
#include "package/manifest.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"

static int OpenMemoryFile(char *path, size_t capacity)
{
    int fd = memfd_create("package", 0);
    if (fd < 0)
        abort();
    snprintf(path, capacity, "/proc/self/fd/%d", fd);
    return fd;
}

// The package file the readers run on, as the installer's own file, and the
// optional header size the installer's format takes.
static char packagePath[64];
static unsigned optionalHeaderSize;

static HFILE OpenManifest(void)
{
    return OpenManifestFile(packagePath, optionalHeaderSize);
}

static void Check(bool condition)
{
    if (!condition)
        abort();
}

// The licence step: the length, then exactly that many bytes into a block
// one byte longer, zero-filled.
static void ReadLicence(void)
{
    HFILE manifest = OpenManifest();
    if (manifest == HFILE_ERROR)
        return;
    UINT length;
    if (ReadLicenseLength(manifest, &length)) {
        std::vector<char> text(length + 1, 0);
        if (ReadExact(manifest, text.data(), length))
            Check(strlen(text.data()) <= length);
    }
    _lclose(manifest);
}

// The texts built from the name: the replace check's file name and path,
// the trimmed name with ".scr", the base name and the data folder.
static void BuildNameTexts(const char *name, char *folder, size_t capacity)
{
    char lookupName[kLookupNameSize + 8];
    memset(lookupName, 'x', sizeof lookupName);
    BuildLookupName(lookupName, name);
    Check(strnlen(lookupName, kLookupNameSize) < kLookupNameSize && lookupName[kLookupNameSize] == 'x');
    char path[kPathBufferSize + 8];
    memset(path, 'x', sizeof path);
    if (BuildLookupPath(path, kPathBufferSize, "C:\\windows", lookupName))
        Check(strlen(path) < kPathBufferSize);
    Check(path[kPathBufferSize] == 'x');

    char trimmed[kNameFieldSize];
    memcpy(trimmed, name, sizeof trimmed);
    TrimTrailingSpaces(trimmed);
    char fileName[kNameFieldSize];
    CopyText(fileName, sizeof fileName - 4, trimmed);
    Check(AppendText(fileName, sizeof fileName, ".scr"));
    char baseName[kNameFieldSize];
    CopyBaseName(baseName, sizeof baseName, fileName);
    CopyText(folder, capacity, "C:\\ProgramData\\Quillmoor\\Glimmerkit\\");
    if (!AppendText(folder, capacity, baseName) || !AppendBackslash(folder, capacity))
        folder[0] = '\0';
}

// The extraction's walk: the same calls in the same order, with a block
// read in place of each file's writing.
static void WalkRecords(const char *folder)
{
    HFILE manifest = OpenManifest();
    if (manifest == HFILE_ERROR)
        return;
    uint16_t firstFileNumber = 0;
    if (!SkipToFileRecords(manifest, &firstFileNumber)) {
        _lclose(manifest);
        return;
    }
    FileRecord record;
    int index = 0;
    int more = ReadFileRecord(manifest, &record);
    while (more) {
        char destination[kPathBufferSize + 8];
        memset(destination, 'x', sizeof destination);
        if (index >= kRecordFirstMedia && BuildDataFileName(destination, kPathBufferSize, folder, firstFileNumber,
                                                            index, record.nameTail))
            Check(strlen(destination) < kPathBufferSize && strncmp(destination, folder, strlen(folder)) == 0);
        Check(destination[kPathBufferSize] == 'x'); // nothing past the buffer

        LONG resume = _llseek(manifest, 0, FILE_CURRENT);
        if (record.originalSize == 0 && record.dataOffset < PACKAGE_OFFSET_LIMIT &&
            _llseek(manifest, (LONG)record.dataOffset, FILE_BEGIN) == (LONG)record.dataOffset) {
            char chunk[64];
            _lread(manifest, chunk, sizeof chunk);
        } else if (record.originalSize != 0) {
            // A compressed block closes the handle and reopens the manifest.
            _lclose(manifest);
            manifest = OpenManifest();
            if (manifest != HFILE_ERROR && !SkipLicense(manifest)) {
                _lclose(manifest);
                manifest = HFILE_ERROR;
            }
        }
        if (manifest == HFILE_ERROR || resume == HFILE_ERROR || _llseek(manifest, resume, FILE_BEGIN) != resume)
            break;
        more = ReadFileRecord(manifest, &record);
        index++;
    }
    if (manifest != HFILE_ERROR)
        _lclose(manifest);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = OpenMemoryFile(packagePath, sizeof packagePath);
    if (write(fd, data, size) != (ssize_t)size)
        abort();
    for (unsigned headerSize : {(unsigned)kOptionalHeaderSizePe32, (unsigned)kOptionalHeaderSizePe32Plus}) {
        optionalHeaderSize = headerSize;
        IntegrityCheck integrity; // the installer's first read of its own file
        CheckPackageIntegrity(packagePath, optionalHeaderSize, &integrity);
        char name[kNameFieldSize + 8];
        memset(name, 'x', sizeof name);
        name[0] = '\0';
        HFILE manifest = OpenManifest();
        if (manifest != HFILE_ERROR) {
            ReadScreenSaverNameAt(manifest, name);
            _lclose(manifest);
        }
        Check(strnlen(name, kNameFieldSize) < kNameFieldSize && name[kNameFieldSize] == 'x');
        char folder[kPathBufferSize];
        BuildNameTexts(name, folder, sizeof folder);

        manifest = OpenManifest();
        if (manifest != HFILE_ERROR) {
            SumInstalledSizes(manifest);
            _lclose(manifest);
        }
        ReadLicence();
        WalkRecords(folder);
    }
    close(fd);
    return 0;
}
