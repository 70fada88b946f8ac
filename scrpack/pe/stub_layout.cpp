// Checking and finishing the installer stub's layout.
#include "scrpack/pe/stub_layout.h"

#include <algorithm>

#include "package/package_format.h"
#include "scrpack/pe/pe_image.h"

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

static std::string Hex(uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value);
    return "0x" + text;
}

// Parses the image and its resource tree, and checks that the tree starts
// with the one "LASTRES" resource as the installer expects.
static bool ReadStub(const Bytes &image, PeImage *pe, int *rsrc, ResourceTree *tree, std::string *error)
{
    if (!ParsePeImage(image, pe, error))
        return false;
    *rsrc = FindSection(*pe, ".rsrc");
    if (*rsrc < 0)
        return Fail(error, "no .rsrc section");
    if (!ReadResourceTree(image, pe->sections[*rsrc], tree, error))
        return false;
    if (tree->leaves.empty())
        return Fail(error, "the resource section is empty");
    const ResourceLeaf &first = tree->leaves[0];
    if (!first.type.named || first.type.name != LASTRES_TYPE_NAME)
        return Fail(error, "the first resource type is not " LASTRES_TYPE_NAME);
    if (tree->rootNamedCount != 1)
        return Fail(error, LASTRES_TYPE_NAME " must be the only resource type with a name");
    int count = 0;
    for (const ResourceLeaf &leaf : tree->leaves)
        count += leaf.type.named;
    if (count != 1)
        return Fail(error, LASTRES_TYPE_NAME " must have exactly one id and one language");
    if (first.name.named || first.name.id != LASTRES_ID || first.language != LASTRES_LANGUAGE)
        return Fail(error, LASTRES_TYPE_NAME " must be resource 1000, language 1033");
    if (first.size != LASTRES_PLACEHOLDER_SIZE)
        return Fail(error, LASTRES_TYPE_NAME " data must be 4 bytes");
    return true;
}

// Whether cutting the file at the manifest keeps all the program needs:
// the resource directory, the other resources' data, the other sections
// and every data directory's data lie in front of it.
static bool CheckNothingBehind(const Bytes &image, const PeImage &pe, int rsrc, const ResourceTree &tree,
                               uint64_t manifest, std::string *error)
{
    if (pe.sections[rsrc].rawPointer + (uint64_t)tree.structureEnd > manifest)
        return Fail(error, "resource directory lies behind the " LASTRES_TYPE_NAME " data");
    for (size_t i = 1; i < tree.leaves.size(); i++) {
        size_t offset;
        const ResourceLeaf &leaf = tree.leaves[i];
        if (!RvaToFileOffset(pe, leaf.dataRva, leaf.size, &offset))
            return Fail(error, "resource data at " + Hex(leaf.dataRva) + " lies outside the file's sections");
        if (offset + (uint64_t)leaf.size > manifest)
            return Fail(error, LASTRES_TYPE_NAME " is not the last resource data (data at " + Hex(leaf.dataRva) +
                                   " follows it)");
    }
    for (size_t i = 0; i < pe.sections.size(); i++) {
        const PeSection &other = pe.sections[i];
        if ((int)i != rsrc && other.rawSize != 0 && (uint64_t)other.rawPointer + other.rawSize > manifest)
            return Fail(error, "section " + other.name + " lies behind the " LASTRES_TYPE_NAME " data");
    }
    for (uint32_t i = 0; i < pe.dataDirectoryCount; i++) {
        uint32_t address = LoadLe32(image, pe.dataDirectories + 8 * i);
        uint32_t size = LoadLe32(image, pe.dataDirectories + 8 * i + 4);
        if (i == kDirectoryResource || size == 0)
            continue;
        if (i == kDirectorySecurity)
            return Fail(error, "the image is signed; packaging would cut its certificate off");
        size_t offset;
        if (RvaToFileOffset(pe, address, size, &offset) && offset + (uint64_t)size > manifest)
            return Fail(error, "data directory " + std::to_string(i) + " lies behind the " LASTRES_TYPE_NAME " data");
    }
    return true;
}

bool CheckStubLayout(const Bytes &image, StubLayout *layout, std::string *error)
{
    PeImage pe;
    int rsrc;
    ResourceTree tree;
    if (!ReadStub(image, &pe, &rsrc, &tree, error))
        return false;
    // The installer skips the optional header at its format's fixed size.
    if (pe.declaredOptionalSize != pe.formatOptionalSize)
        return Fail(error, "optional header is " + std::to_string(pe.declaredOptionalSize) +
                               " bytes; the installer expects " + std::to_string(pe.formatOptionalSize));
    const PeSection &section = pe.sections[rsrc];
    const ResourceLeaf &marker = tree.leaves[0];
    uint64_t relative = (uint64_t)marker.dataRva - section.virtualAddress;
    if (marker.dataRva < section.virtualAddress || relative + LASTRES_PLACEHOLDER_SIZE > section.rawSize)
        return Fail(error, LASTRES_TYPE_NAME " data lies outside the resource section");
    uint64_t manifest = section.rawPointer + relative;
    if (manifest + LASTRES_PLACEHOLDER_SIZE > image.size())
        return Fail(error, "the file ends before the " LASTRES_TYPE_NAME " data");
    if (manifest >= PACKAGE_OFFSET_LIMIT)
        return Fail(error, "the manifest would start beyond 2 GiB");
    if (!CheckNothingBehind(image, pe, rsrc, tree, manifest, error))
        return false;
    if (LoadLe32(image, pe.checksumOffset) != 0)
        return Fail(error, "the image checksum is not 0");
    if (layout) {
        layout->manifestOffset = (size_t)manifest;
        layout->optionalHeaderSize = pe.formatOptionalSize;
    }
    return true;
}

namespace {

struct DataItem {
    uint32_t relative; // data position from the section start
    uint32_t size;
    uint32_t dataEntry;
};

// The resource data as it lies: the placeholder (marker), the other items
// in file order, and where the data area starts (dataStart).
struct SectionData {
    DataItem marker = {};
    std::vector<DataItem> items;
    uint32_t dataStart = 0;
};

// The section is rebuilt in place, so it must end the file, both in the
// file and in memory.
bool CheckSectionEndsFile(const Bytes &image, const PeImage &pe, int rsrc, std::string *error)
{
    const PeSection &section = pe.sections[rsrc];
    if ((uint64_t)section.rawPointer + section.rawSize != image.size())
        return Fail(error, "the resource section does not end the file");
    for (size_t i = 0; i < pe.sections.size(); i++) {
        const PeSection &other = pe.sections[i];
        if ((int)i == rsrc)
            continue;
        if (other.rawSize != 0 && (uint64_t)other.rawPointer + other.rawSize > section.rawPointer)
            return Fail(error, "section " + other.name + " lies behind the resource section");
        if (other.virtualAddress >= section.virtualAddress)
            return Fail(error, "section " + other.name + " follows the resource section in memory");
    }
    if (pe.dataDirectoryCount <= kDirectoryResource ||
        LoadLe32(image, pe.dataDirectories + 8 * kDirectoryResource) != section.virtualAddress)
        return Fail(error, "the resource data directory does not point at the .rsrc section");
    return true;
}

// Every leaf's data, which must lie inside the section, behind the
// directory, without overlapping.
bool CollectData(const ResourceTree &tree, const PeSection &section, SectionData *data, std::string *error)
{
    data->dataStart = section.rawSize;
    for (size_t i = 0; i < tree.leaves.size(); i++) {
        const ResourceLeaf &leaf = tree.leaves[i];
        uint64_t relative = (uint64_t)leaf.dataRva - section.virtualAddress;
        if (leaf.dataRva < section.virtualAddress || relative + leaf.size > section.rawSize)
            return Fail(error, "resource data at " + Hex(leaf.dataRva) + " lies outside the resource section");
        DataItem item = {(uint32_t)relative, leaf.size, leaf.dataEntry};
        data->dataStart = std::min(data->dataStart, item.relative);
        if (i == 0)
            data->marker = item;
        else
            data->items.push_back(item);
    }
    if (data->dataStart < tree.structureEnd)
        return Fail(error, "resource data is mixed with the resource directory");
    std::vector<DataItem> &items = data->items;
    std::sort(items.begin(), items.end(),
              [](const DataItem &a, const DataItem &b) { return a.relative < b.relative; });
    for (size_t i = 1; i < items.size(); i++)
        if (items[i - 1].relative + (uint64_t)items[i - 1].size > items[i].relative)
            return Fail(error, "resource data items overlap");
    return true;
}

// The section with its data in new places: the other items packed from
// the start of the data area in their old order, eight-byte aligned; the
// placeholder in the last four bytes of the raw data, at *markerPlace.
bool RebuildSection(const Bytes &image, const PeImage &pe, const PeSection &section, const SectionData &data,
                    Bytes *rebuilt, uint32_t *markerPlace, std::string *error)
{
    rebuilt->assign(image.begin() + section.rawPointer, image.begin() + section.rawPointer + data.dataStart);
    uint64_t cursor = data.dataStart;
    std::vector<uint32_t> places;
    for (const DataItem &item : data.items) {
        places.push_back((uint32_t)cursor);
        rebuilt->resize((size_t)cursor, 0);
        const uint8_t *from = &image[section.rawPointer + item.relative];
        rebuilt->insert(rebuilt->end(), from, from + item.size);
        cursor = AlignUp(cursor + item.size, 8);
    }
    uint64_t rawSize = section.rawSize;
    if (AlignUp(cursor, 4) + LASTRES_PLACEHOLDER_SIZE > (rawSize & ~3ull))
        rawSize = AlignUp(AlignUp(cursor, 4) + LASTRES_PLACEHOLDER_SIZE, pe.fileAlignment ? pe.fileAlignment : 512);
    *markerPlace = (uint32_t)((rawSize & ~3ull) - LASTRES_PLACEHOLDER_SIZE);
    if ((uint64_t)section.virtualAddress + rawSize > 0xFFFFFFFFull || section.rawPointer + rawSize >= PACKAGE_OFFSET_LIMIT)
        return Fail(error, "the resource section grows too large");
    const uint8_t *placeholder = &image[section.rawPointer + data.marker.relative];
    rebuilt->resize((size_t)rawSize, 0);
    std::copy(placeholder, placeholder + LASTRES_PLACEHOLDER_SIZE, rebuilt->begin() + *markerPlace);
    for (size_t i = 0; i < data.items.size(); i++)
        StoreLe32(*rebuilt, data.items[i].dataEntry, section.virtualAddress + places[i]);
    StoreLe32(*rebuilt, data.marker.dataEntry, section.virtualAddress + *markerPlace);
    return true;
}

// Puts the rebuilt section in place of the old one and fixes the headers
// that describe it.
void ReplaceSection(const PeImage &pe, const PeSection &section, const Bytes &rebuilt, uint32_t markerPlace,
                    Bytes *imagePointer)
{
    Bytes &image = *imagePointer;
    uint32_t grownBy = (uint32_t)(rebuilt.size() - section.rawSize);
    image.resize(section.rawPointer);
    image.insert(image.end(), rebuilt.begin(), rebuilt.end());
    uint32_t virtualSize = markerPlace + LASTRES_PLACEHOLDER_SIZE;
    StoreLe32(image, section.headerOffset + 8, virtualSize);
    StoreLe32(image, section.headerOffset + 16, (uint32_t)rebuilt.size());
    StoreLe32(image, pe.dataDirectories + 8 * kDirectoryResource + 4, virtualSize);
    uint32_t imageEnd = (uint32_t)AlignUp((uint64_t)section.virtualAddress + virtualSize, pe.sectionAlignment);
    if (imageEnd > LoadLe32(image, pe.sizeOfImageOffset))
        StoreLe32(image, pe.sizeOfImageOffset, imageEnd);
    if (grownBy)
        StoreLe32(image, pe.sizeOfInitializedDataOffset, LoadLe32(image, pe.sizeOfInitializedDataOffset) + grownBy);
    StoreLe32(image, pe.checksumOffset, 0);
}

} // namespace

bool FixStubLayout(Bytes *image, std::string *error)
{
    PeImage pe;
    int rsrc;
    ResourceTree tree;
    if (!ReadStub(*image, &pe, &rsrc, &tree, error) || !CheckSectionEndsFile(*image, pe, rsrc, error))
        return false;
    const PeSection section = pe.sections[rsrc];
    SectionData data;
    Bytes rebuilt;
    uint32_t markerPlace;
    if (!CollectData(tree, section, &data, error) ||
        !RebuildSection(*image, pe, section, data, &rebuilt, &markerPlace, error))
        return false;
    ReplaceSection(pe, section, rebuilt, markerPlace, image);
    return CheckStubLayout(*image, nullptr, error);
}
