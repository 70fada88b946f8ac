// PE headers, section table and resource tree of an image held in memory.
#include "scrpack/pe/pe_image.h"

#include <algorithm>

#include "package/package_format.h"

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

// The section table behind the optional header, as the image declares
// its size.
static bool ReadSectionTable(const Bytes &image, unsigned sectionCount, PeImage *pe, std::string *error)
{
    size_t table = pe->optionalHeader + pe->declaredOptionalSize;
    if (!InRange(image.size(), table, (uint64_t)sectionCount * kSectionHeaderSize))
        return Fail(error, "section table cut short");
    for (unsigned i = 0; i < sectionCount; i++) {
        size_t header = table + (size_t)i * kSectionHeaderSize;
        PeSection section;
        const char *name = (const char *)&image[header];
        section.name.assign(name, std::find(name, name + 8, '\0'));
        section.headerOffset = header;
        section.virtualSize = LoadLe32(image, header + 8);
        section.virtualAddress = LoadLe32(image, header + 12);
        section.rawSize = LoadLe32(image, header + 16);
        section.rawPointer = LoadLe32(image, header + 20);
        pe->sections.push_back(section);
    }
    return true;
}

// The optional header's fields the tools use, by its format (PE32 or
// PE32+), and how many data directories it holds.
static bool ReadOptionalHeader(const Bytes &image, PeImage *pe, std::string *error)
{
    if (!InRange(image.size(), pe->optionalHeader, 2))
        return Fail(error, "optional header missing");
    pe->magic = LoadLe16(image, pe->optionalHeader);
    size_t directoryCountField;
    if (pe->magic == kPe32Magic) {
        pe->formatOptionalSize = kOptionalHeaderSizePe32;
        directoryCountField = 92;
    } else if (pe->magic == kPe32PlusMagic) {
        pe->formatOptionalSize = kOptionalHeaderSizePe32Plus;
        directoryCountField = 108;
    } else {
        return Fail(error, "unknown optional header magic");
    }
    if (pe->declaredOptionalSize < directoryCountField + 4 ||
        !InRange(image.size(), pe->optionalHeader, pe->declaredOptionalSize))
        return Fail(error, "optional header cut short");
    pe->sectionAlignment = LoadLe32(image, pe->optionalHeader + 32);
    pe->fileAlignment = LoadLe32(image, pe->optionalHeader + 36);
    pe->sizeOfInitializedDataOffset = pe->optionalHeader + 8;
    pe->sizeOfImageOffset = pe->optionalHeader + 56;
    pe->checksumOffset = pe->optionalHeader + 64;
    pe->dataDirectories = pe->optionalHeader + directoryCountField + 4;
    uint32_t directories = LoadLe32(image, pe->optionalHeader + directoryCountField);
    uint32_t room = (uint32_t)(pe->declaredOptionalSize - directoryCountField - 4) / 8;
    pe->dataDirectoryCount = std::min(directories, room);

    return true;
}

bool ParsePeImage(const Bytes &image, PeImage *pe, std::string *error)
{
    *pe = PeImage();
    if (!InRange(image.size(), 0, kDosLfanewOffset + 4) || image[0] != 'M' || image[1] != 'Z')
        return Fail(error, "not an executable (no MZ header)");
    pe->peHeader = LoadLe32(image, kDosLfanewOffset);
    size_t fileHeader = pe->peHeader + kPeSignatureSize;
    if (!InRange(image.size(), pe->peHeader, kPeSignatureSize + kFileHeaderSize) ||
        LoadLe32(image, pe->peHeader) != 0x00004550u)
        return Fail(error, "not a PE image (no PE signature)");
    pe->machine = LoadLe16(image, fileHeader);
    unsigned sectionCount = LoadLe16(image, fileHeader + 2);
    pe->declaredOptionalSize = LoadLe16(image, fileHeader + 16);
    pe->optionalHeader = fileHeader + kFileHeaderSize;
    return ReadOptionalHeader(image, pe, error) && ReadSectionTable(image, sectionCount, pe, error);
}

uint64_t ImageDataEnd(const PeImage &pe)
{
    uint64_t end = 0;
    for (const PeSection &section : pe.sections)
        end = std::max(end, (uint64_t)section.rawPointer + section.rawSize);
    return end;
}

int FindSection(const PeImage &pe, const char *name)
{
    for (size_t i = 0; i < pe.sections.size(); i++)
        if (pe.sections[i].name == name)
            return (int)i;
    return -1;
}

bool RvaToFileOffset(const PeImage &pe, uint32_t rva, uint32_t length, size_t *offset)
{
    for (const PeSection &section : pe.sections) {
        uint64_t start = section.virtualAddress;
        if (rva >= start && (uint64_t)rva + length <= start + section.rawSize) {
            *offset = (size_t)(section.rawPointer + (rva - start));
            return true;
        }
    }
    return false;
}

namespace {

const uint64_t kMaxResourceEntries = 1u << 20;

// Walks one resource section; offsets are relative to its first byte.
struct TreeReader {
    const Bytes &image;
    const PeSection &section;
    ResourceTree *tree;
    std::string *error;
    uint64_t visitedEntries = 0;

    bool Check(uint32_t offset, uint32_t length)
    {
        if ((uint64_t)offset + length > section.rawSize ||
            !InRange(image.size(), (uint64_t)section.rawPointer + offset, length))
            return Fail(error, "resource tree points outside the resource section");
        tree->structureEnd = std::max(tree->structureEnd, offset + length);
        return true;
    }

    uint32_t U32(uint32_t offset) { return LoadLe32(image, section.rawPointer + offset); }
    uint16_t U16(uint32_t offset) { return LoadLe16(image, section.rawPointer + offset); }

    bool Key(uint32_t nameField, ResourceKey *key)
    {
        key->named = (nameField & 0x80000000u) != 0;
        key->id = key->named ? 0 : nameField;
        key->name.clear();
        if (!key->named)
            return true;
        uint32_t offset = nameField & 0x7FFFFFFFu;
        if (!Check(offset, 2))
            return false;
        uint16_t length = U16(offset);
        if (!Check(offset + 2, 2u * length))
            return false;
        for (uint32_t i = 0; i < length; i++) {
            uint16_t c = U16(offset + 2 + 2 * i);
            key->name.push_back(c < 0x80 ? (char)c : '?');
        }
        return true;
    }

    // Level 0 is the root (types), 1 the ids, 2 the languages.
    bool Table(uint32_t offset, int level, ResourceLeaf *path)
    {
        if (!Check(offset, kResourceDirHeaderSize))
            return false;
        uint32_t named = U16(offset + 12);
        uint32_t count = named + U16(offset + 14);
        if (level == 0)
            tree->rootNamedCount = (uint16_t)named;
        if (!Check(offset + kResourceDirHeaderSize, count * kResourceEntrySize))
            return false;
        // Entries of a damaged tree may share tables, so that the walk grows
        // without bound; a real installer has a few dozen entries.
        visitedEntries += count;
        if (visitedEntries > kMaxResourceEntries)
            return Fail(error, "resource tree has too many entries");
        for (uint32_t i = 0; i < count; i++) {
            uint32_t entry = offset + kResourceDirHeaderSize + i * kResourceEntrySize;
            uint32_t nameField = U32(entry), target = U32(entry + 4);
            bool subdirectory = (target & 0x80000000u) != 0;
            if (subdirectory != (level < 2))
                return Fail(error, "resource tree is not three levels deep");
            if (level == 0 && !Key(nameField, &path->type))
                return false;
            if (level == 1 && !Key(nameField, &path->name))
                return false;
            if (level < 2) {
                if (!Table(target & 0x7FFFFFFFu, level + 1, path))
                    return false;
                continue;
            }
            path->language = nameField;
            if (!Check(target, kResourceDataEntrySize))
                return false;
            path->dataEntry = target;
            path->dataRva = U32(target);
            path->size = U32(target + 4);
            tree->leaves.push_back(*path);
        }
        return true;
    }
};

} // namespace

bool ReadResourceTree(const Bytes &image, const PeSection &section, ResourceTree *tree, std::string *error)
{
    *tree = ResourceTree();
    ResourceLeaf path = {};
    TreeReader reader{image, section, tree, error};
    return reader.Table(0, 0, &path);
}

const ResourceLeaf *FindResourceLeaf(const ResourceTree &tree, uint32_t type, uint32_t id)
{
    for (const ResourceLeaf &leaf : tree.leaves)
        if (!leaf.type.named && leaf.type.id == type && !leaf.name.named && leaf.name.id == id)
            return &leaf;
    return nullptr;
}

bool ReadResourceData(const Bytes &image, const PeImage &pe, const ResourceLeaf &leaf, Bytes *data)
{
    size_t offset;
    if (!RvaToFileOffset(pe, leaf.dataRva, leaf.size, &offset) || !InRange(image.size(), offset, leaf.size))
        return false;
    data->assign(image.begin() + (ptrdiff_t)offset, image.begin() + (ptrdiff_t)(offset + leaf.size));
    return true;
}
