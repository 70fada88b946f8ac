// OpenManifest: finds the package manifest through the PE headers and the
// resource directory of the installer's own file.
//
// The walk takes the first entry at each level of the resource tree
// ("LASTRES" is the only named type, so it sorts first) and never consults
// declared sizes.  Every read is checked: a short read or a failed seek
// means the manifest can't be reached, whatever the file holds.
//
// The one thing the walk checks is that this first type is "LASTRES":
// without it the first type is the icon, and its pixels would be read as a
// licence, a name and file records, sending the extraction off to write
// whatever sizes and names those bytes make up.  A file without the
// resource has no manifest.
#include "package/manifest.h"

#include <string.h>

// Seeks to an absolute offset; offsets beyond 2^31 - 1 cannot be reached.
static int SeekTo(HFILE file, uint32_t offset)
{
    if (offset >= PACKAGE_OFFSET_LIMIT)
        return 0;
    return _llseek(file, (LONG)offset, FILE_BEGIN) == (LONG)offset;
}

static uint32_t LoadU32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Finds the ".rsrc" section header among the first numberOfSections
// headers starting at the current position.
static int FindResourceSection(HFILE file, unsigned numberOfSections,
                               uint32_t *virtualAddress, uint32_t *rawPointer)
{
    for (unsigned i = 0; i < numberOfSections; i++) {
        unsigned char header[kSectionHeaderSize];
        if (!ReadExact(file, header, sizeof header))
            return 0;
        char name[9];
        memcpy(name, header, 8);
        name[8] = '\0';
        if (strcmp(name, ".rsrc") == 0) {
            *virtualAddress = LoadU32(header + 12);
            *rawPointer = LoadU32(header + 20);
            return 1;
        }
    }
    return 0;
}

// Whether a type entry names the type "LASTRES": its name field points
// (top bit set) from R to a 16-bit length and that many UTF-16 characters.
// Leaves the file position anywhere.
static int IsManifestType(HFILE file, uint32_t rawPointer, const unsigned char *entry)
{
    static const char expected[] = LASTRES_TYPE_NAME;
    enum { kNameLength = sizeof expected - 1 };
    uint32_t nameField = LoadU32(entry);
    if ((nameField & 0x80000000u) == 0)
        return 0; // a numbered type
    uint32_t name = rawPointer + (nameField & 0x7FFFFFFFu);
    unsigned char text[2 + 2 * kNameLength];
    if (name < rawPointer || !SeekTo(file, name) || !ReadExact(file, text, sizeof text))
        return 0;
    if ((text[0] | text[1] << 8) != kNameLength)
        return 0;
    for (int i = 0; i < kNameLength; i++)
        if (text[2 + 2 * i] != (unsigned char)expected[i] || text[3 + 2 * i] != 0)
            return 0;
    return 1;
}

// Walks from the resource root R to the first leaf's data and seeks there.
static int SeekToFirstResourceData(HFILE file, uint32_t virtualAddress, uint32_t rawPointer)
{
    unsigned char entry[kResourceEntrySize];
    uint32_t firstEntry = rawPointer + kResourceDirHeaderSize; // E
    if (firstEntry < rawPointer || !SeekTo(file, firstEntry))
        return 0;
    // Levels 1 (type) and 2 (id): subdirectory offsets, taken relative to E.
    for (int level = 0; level < 2; level++) {
        if (!ReadExact(file, entry, sizeof entry))
            return 0;
        if (level == 0 && !IsManifestType(file, rawPointer, entry))
            return 0;
        uint32_t target = firstEntry + (LoadU32(entry + 4) & 0x7FFFFFFFu);
        if (!SeekTo(file, target))
            return 0;
    }
    // Level 3 (language): the leaf's offset points from R to the data entry.
    if (!ReadExact(file, entry, sizeof entry))
        return 0;
    uint32_t dataEntry = rawPointer + LoadU32(entry + 4);
    unsigned char data[kResourceDataEntrySize];
    if (!SeekTo(file, dataEntry) || !ReadExact(file, data, sizeof data))
        return 0;
    uint32_t manifest = LoadU32(data) - virtualAddress + rawPointer; // modulo 2^32
    return SeekTo(file, manifest);
}

HFILE OpenManifestFile(const char *path, unsigned optionalHeaderSize)
{
    HFILE file = _lopen(path, OF_READ | OF_SHARE_DENY_NONE);
    if (file == HFILE_ERROR)
        return HFILE_ERROR;

    unsigned char word[4];
    unsigned char fileHeader[kFileHeaderSize];
    uint32_t virtualAddress = 0, rawPointer = 0;
    int found = SeekTo(file, kDosLfanewOffset) && ReadExact(file, word, 4);
    if (found) {
        uint32_t peHeader = LoadU32(word);
        // The signature is read and not tested; the optional header is
        // skipped at this image format's fixed size.
        found = SeekTo(file, peHeader) && ReadExact(file, word, kPeSignatureSize) &&
                ReadExact(file, fileHeader, sizeof fileHeader) &&
                _llseek(file, (LONG)optionalHeaderSize, FILE_CURRENT) != HFILE_ERROR;
    }
    if (found) {
        unsigned sections = (unsigned)fileHeader[2] | (unsigned)fileHeader[3] << 8;
        found = FindResourceSection(file, sections, &virtualAddress, &rawPointer) &&
                SeekToFirstResourceData(file, virtualAddress, rawPointer);
    }
    if (!found) {
        _lclose(file);
        return HFILE_ERROR;
    }
    return file;
}
