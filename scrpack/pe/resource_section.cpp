// ReadResourceItems and WriteResourceSection.
#include "scrpack/pe/resource_section.h"

#include <algorithm>

#include "package/package_format.h"
#include "scrpack/pe/stub_layout.h"

static bool Fail(std::string *error, const std::string &text)
{
    *error = text;
    return false;
}

namespace {

// Windows looks entries up by binary search: names first, in order, then
// ids in ascending order.
bool KeyBefore(const ResourceKey &a, const ResourceKey &b)
{
    if (a.named != b.named)
        return a.named;
    return a.named ? a.name < b.name : a.id < b.id;
}

bool SameKey(const ResourceKey &a, const ResourceKey &b)
{
    return !KeyBefore(a, b) && !KeyBefore(b, a);
}

// One directory table: its place in the section and what its entries point
// at (tables, or leaves' data entries).
struct Table {
    uint32_t offset = 0;
    std::vector<ResourceKey> keys;
    std::vector<size_t> targets; // indexes into the next level's tables, or into the items
};

// Where everything goes in the new section: the three levels of tables
// (types, then per type its names, then per name its languages, whose
// entries point at the items), the names' strings, the data entries and
// the data, the placeholder last.
struct SectionLayout {
    Table root;
    std::vector<Table> names, languages;
    std::vector<std::pair<std::string, uint32_t>> strings; // a name and its place
    uint32_t dataEntries = 0;
    std::vector<uint32_t> dataPlaces; // per item
    uint32_t size = 0;
};

void SortItems(std::vector<ResourceItem> *items)
{
    std::stable_sort(items->begin(), items->end(), [](const ResourceItem &a, const ResourceItem &b) {
        if (!SameKey(a.type, b.type))
            return KeyBefore(a.type, b.type);
        if (!SameKey(a.name, b.name))
            return KeyBefore(a.name, b.name);
        return a.language < b.language;
    });
}

// Gives table an entry for key, pointing at a new table of the next level,
// unless its last entry has that key already; the next level's table for
// key is then next's last.
void Enter(Table *table, const ResourceKey &key, std::vector<Table> *next)
{
    if (!table->keys.empty() && SameKey(table->keys.back(), key))
        return;
    table->keys.push_back(key);
    table->targets.push_back(next->size());
    next->emplace_back();
}

// The tables of the sorted items, placed one after the other.
void LayTables(const std::vector<ResourceItem> &items, SectionLayout *layout)
{
    for (size_t i = 0; i < items.size(); i++) {
        Enter(&layout->root, items[i].type, &layout->names);
        Enter(&layout->names.back(), items[i].name, &layout->languages);
        ResourceKey language = {false, "", items[i].language};
        layout->languages.back().keys.push_back(language);
        layout->languages.back().targets.push_back(i);
    }
    auto place = [layout](Table &table) {
        table.offset = layout->size;
        layout->size += kResourceDirHeaderSize + kResourceEntrySize * (uint32_t)table.keys.size();
    };
    place(layout->root);
    for (Table &table : layout->names)
        place(table);
    for (Table &table : layout->languages)
        place(table);
}

// The names' strings, each once: a 16-bit length, then UTF-16.
void LayStrings(const std::vector<ResourceItem> &items, SectionLayout *layout)
{
    auto &strings = layout->strings;
    for (const ResourceItem &item : items)
        for (const ResourceKey *key : {&item.type, &item.name})
            if (key->named && std::find_if(strings.begin(), strings.end(), [&](const auto &s) {
                                  return s.first == key->name;
                              }) == strings.end()) {
                strings.push_back({key->name, layout->size});
                layout->size += 2 + 2 * (uint32_t)key->name.size();
            }
}

// The data entries, then the data, eight-byte aligned, with the
// "LASTRES" placeholder last.
bool LayData(const std::vector<ResourceItem> &items, SectionLayout *layout, std::string *error)
{
    layout->size = (uint32_t)AlignUp(layout->size, 4);
    layout->dataEntries = layout->size;
    layout->size += kResourceDataEntrySize * (uint32_t)items.size();
    layout->dataPlaces.assign(items.size(), 0);
    auto place = [&](size_t i) {
        layout->size = (uint32_t)AlignUp(layout->size, 8);
        layout->dataPlaces[i] = layout->size;
        layout->size += (uint32_t)items[i].data.size();
    };
    size_t marker = items.size();
    for (size_t i = 0; i < items.size(); i++) {
        if (items[i].type.named && items[i].type.name == LASTRES_TYPE_NAME)
            marker = i;
        else
            place(i);
    }
    if (marker == items.size())
        return Fail(error, "the stub has no " LASTRES_TYPE_NAME " resource");
    place(marker);
    return true;
}

// A directory entry's name field: the id, or the place of the name's
// string with the top bit set.
uint32_t KeyField(const SectionLayout &layout, const ResourceKey &key)
{
    if (!key.named)
        return key.id;
    for (const auto &s : layout.strings)
        if (s.first == key.name)
            return 0x80000000u | s.second;
    return 0;
}

// One table: its counts of named and numbered entries, and the entries,
// pointing at the next level's tables (next) or, for leaves, at the data
// entries.
void WriteTable(const SectionLayout &layout, const Table &table, const std::vector<Table> *next, Bytes *out)
{
    uint16_t named = 0;
    for (const ResourceKey &key : table.keys)
        named += key.named;
    StoreLe16(*out, table.offset + 12, named);
    StoreLe16(*out, table.offset + 14, (uint16_t)(table.keys.size() - named));
    for (size_t i = 0; i < table.keys.size(); i++) {
        uint32_t entry = table.offset + kResourceDirHeaderSize + kResourceEntrySize * (uint32_t)i;
        StoreLe32(*out, entry, KeyField(layout, table.keys[i]));
        StoreLe32(*out, entry + 4,
                  next ? 0x80000000u | (*next)[table.targets[i]].offset
                       : layout.dataEntries + kResourceDataEntrySize * (uint32_t)table.targets[i]);
    }
}

// The section's bytes as laid out, for a section at virtualAddress.
Bytes WriteSection(const std::vector<ResourceItem> &items, const SectionLayout &layout, uint32_t virtualAddress)
{
    Bytes out(layout.size, 0);
    WriteTable(layout, layout.root, &layout.names, &out);
    for (const Table &table : layout.names)
        WriteTable(layout, table, &layout.languages, &out);
    for (const Table &table : layout.languages)
        WriteTable(layout, table, nullptr, &out);
    for (const auto &s : layout.strings) {
        StoreLe16(out, s.second, (uint16_t)s.first.size());
        for (size_t i = 0; i < s.first.size(); i++)
            StoreLe16(out, s.second + 2 + 2 * (uint32_t)i, (uint8_t)s.first[i]);
    }
    for (size_t i = 0; i < items.size(); i++) {
        uint32_t entry = layout.dataEntries + kResourceDataEntrySize * (uint32_t)i;
        StoreLe32(out, entry, virtualAddress + layout.dataPlaces[i]);
        StoreLe32(out, entry + 4, (uint32_t)items[i].data.size());
        StoreLe32(out, entry + 8, items[i].codePage);
        std::copy(items[i].data.begin(), items[i].data.end(), out.begin() + layout.dataPlaces[i]);
    }
    return out;
}

// Puts the section of size bytes (out) in place of the old one, and fixes
// the headers that describe it.
void ReplaceSection(const PeImage &pe, const PeSection &section, Bytes out, uint32_t size, Bytes *imagePointer)
{
    Bytes &image = *imagePointer;
    uint32_t fileAlignment = pe.fileAlignment ? pe.fileAlignment : 512;
    uint32_t rawSize = (uint32_t)AlignUp(out.size(), fileAlignment);
    uint32_t initializedData = LoadLe32(image, pe.sizeOfInitializedDataOffset) - section.rawSize + rawSize;
    out.resize(rawSize, 0);
    image.resize(section.rawPointer);
    image.insert(image.end(), out.begin(), out.end());
    StoreLe32(image, section.headerOffset + 8, size);
    StoreLe32(image, section.headerOffset + 16, rawSize);
    StoreLe32(image, pe.dataDirectories + 8 * kDirectoryResource + 4, size);
    StoreLe32(image, pe.sizeOfImageOffset,
              (uint32_t)AlignUp((uint64_t)section.virtualAddress + size, pe.sectionAlignment));
    StoreLe32(image, pe.sizeOfInitializedDataOffset, initializedData);
    StoreLe32(image, pe.checksumOffset, 0);
}

} // namespace

bool ReadResourceItems(const Bytes &image, std::vector<ResourceItem> *items, std::string *error)
{
    PeImage pe;
    if (!ParsePeImage(image, &pe, error))
        return false;
    int rsrc = FindSection(pe, ".rsrc");
    if (rsrc < 0)
        return Fail(error, "no .rsrc section");
    const PeSection &section = pe.sections[(size_t)rsrc];
    ResourceTree tree;
    if (!ReadResourceTree(image, section, &tree, error))
        return false;
    items->clear();
    for (const ResourceLeaf &leaf : tree.leaves) {
        ResourceItem item;
        item.type = leaf.type;
        item.name = leaf.name;
        item.language = leaf.language;
        item.codePage = LoadLe32(image, section.rawPointer + leaf.dataEntry + 8);
        if (!ReadResourceData(image, pe, leaf, &item.data))
            return Fail(error, "resource data lies outside the file");
        items->push_back(std::move(item));
    }
    return true;
}

bool WriteResourceSection(Bytes *image, std::vector<ResourceItem> items, std::string *error)
{
    PeImage pe;
    if (!ParsePeImage(*image, &pe, error))
        return false;
    int rsrc = FindSection(pe, ".rsrc");
    if (rsrc < 0)
        return Fail(error, "no .rsrc section");
    const PeSection section = pe.sections[(size_t)rsrc];
    for (const PeSection &other : pe.sections)
        if (other.virtualAddress > section.virtualAddress || other.rawPointer > section.rawPointer)
            return Fail(error, "the resource section is not the last section");
    SortItems(&items);
    SectionLayout layout;
    LayTables(items, &layout);
    LayStrings(items, &layout);
    if (!LayData(items, &layout, error))
        return false;
    ReplaceSection(pe, section, WriteSection(items, layout, section.virtualAddress), layout.size, image);
    return FixStubLayout(image, error);
}
