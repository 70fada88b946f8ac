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

bool WriteResourceSection(Bytes *imagePointer, std::vector<ResourceItem> items, std::string *error)
{
    Bytes &image = *imagePointer;
    PeImage pe;
    if (!ParsePeImage(image, &pe, error))
        return false;
    int rsrc = FindSection(pe, ".rsrc");
    if (rsrc < 0)
        return Fail(error, "no .rsrc section");
    const PeSection section = pe.sections[(size_t)rsrc];
    for (const PeSection &other : pe.sections)
        if (other.virtualAddress > section.virtualAddress || other.rawPointer > section.rawPointer)
            return Fail(error, "the resource section is not the last section");
    std::stable_sort(items.begin(), items.end(), [](const ResourceItem &a, const ResourceItem &b) {
        if (!SameKey(a.type, b.type))
            return KeyBefore(a.type, b.type);
        if (!SameKey(a.name, b.name))
            return KeyBefore(a.name, b.name);
        return a.language < b.language;
    });

    // The three levels of tables: types, then per type its names, then
    // per name its languages, whose entries point at the items.
    Table root;
    std::vector<Table> names, languages;
    for (size_t i = 0; i < items.size(); i++) {
        const ResourceItem &item = items[i];
        if (root.keys.empty() || !SameKey(root.keys.back(), item.type)) {
            root.keys.push_back(item.type);
            root.targets.push_back(names.size());
            names.emplace_back();
        }
        Table &byName = names.back();
        if (byName.keys.empty() || !SameKey(byName.keys.back(), item.name)) {
            byName.keys.push_back(item.name);
            byName.targets.push_back(languages.size());
            languages.emplace_back();
        }
        ResourceKey language = {false, "", item.language};
        languages.back().keys.push_back(language);
        languages.back().targets.push_back(i);
    }
    uint32_t cursor = 0;
    auto place = [&cursor](Table &table) {
        table.offset = cursor;
        cursor += kResourceDirHeaderSize + kResourceEntrySize * (uint32_t)table.keys.size();
    };
    place(root);
    for (Table &table : names)
        place(table);
    for (Table &table : languages)
        place(table);
    // The names' strings (a 16-bit length, then UTF-16), then the data
    // entries, then the data, the placeholder last.
    std::vector<std::pair<std::string, uint32_t>> strings;
    for (const ResourceItem &item : items)
        for (const ResourceKey *key : {&item.type, &item.name})
            if (key->named && std::find_if(strings.begin(), strings.end(), [&](const auto &s) {
                                  return s.first == key->name;
                              }) == strings.end()) {
                strings.push_back({key->name, cursor});
                cursor += 2 + 2 * (uint32_t)key->name.size();
            }
    cursor = (uint32_t)AlignUp(cursor, 4);
    uint32_t dataEntries = cursor;
    cursor += kResourceDataEntrySize * (uint32_t)items.size();
    std::vector<uint32_t> dataPlaces(items.size());
    size_t marker = items.size();
    for (size_t i = 0; i < items.size(); i++) {
        if (items[i].type.named && items[i].type.name == LASTRES_TYPE_NAME) {
            marker = i;
            continue;
        }
        cursor = (uint32_t)AlignUp(cursor, 8);
        dataPlaces[i] = cursor;
        cursor += (uint32_t)items[i].data.size();
    }
    if (marker == items.size())
        return Fail(error, "the stub has no " LASTRES_TYPE_NAME " resource");
    cursor = (uint32_t)AlignUp(cursor, 8);
    dataPlaces[marker] = cursor;
    cursor += (uint32_t)items[marker].data.size();

    Bytes out(cursor, 0);
    auto keyField = [&](const ResourceKey &key) -> uint32_t {
        if (!key.named)
            return key.id;
        for (const auto &s : strings)
            if (s.first == key.name)
                return 0x80000000u | s.second;
        return 0;
    };
    auto writeTable = [&](const Table &table, bool leaves, const std::vector<Table> *next) {
        uint16_t named = 0;
        for (const ResourceKey &key : table.keys)
            named += key.named;
        StoreLe16(out, table.offset + 12, named);
        StoreLe16(out, table.offset + 14, (uint16_t)(table.keys.size() - named));
        for (size_t i = 0; i < table.keys.size(); i++) {
            uint32_t entry = table.offset + kResourceDirHeaderSize + kResourceEntrySize * (uint32_t)i;
            StoreLe32(out, entry, keyField(table.keys[i]));
            StoreLe32(out, entry + 4,
                      leaves ? dataEntries + kResourceDataEntrySize * (uint32_t)table.targets[i]
                             : 0x80000000u | (*next)[table.targets[i]].offset);
        }
    };
    writeTable(root, false, &names);
    for (const Table &table : names)
        writeTable(table, false, &languages);
    for (const Table &table : languages)
        writeTable(table, true, nullptr);
    for (const auto &s : strings) {
        StoreLe16(out, s.second, (uint16_t)s.first.size());
        for (size_t i = 0; i < s.first.size(); i++)
            StoreLe16(out, s.second + 2 + 2 * (uint32_t)i, (uint8_t)s.first[i]);
    }
    for (size_t i = 0; i < items.size(); i++) {
        uint32_t entry = dataEntries + kResourceDataEntrySize * (uint32_t)i;
        StoreLe32(out, entry, section.virtualAddress + dataPlaces[i]);
        StoreLe32(out, entry + 4, (uint32_t)items[i].data.size());
        StoreLe32(out, entry + 8, items[i].codePage);
        std::copy(items[i].data.begin(), items[i].data.end(), out.begin() + dataPlaces[i]);
    }

    // The section in place of the old one, and the headers that describe it.
    uint32_t fileAlignment = pe.fileAlignment ? pe.fileAlignment : 512;
    uint32_t rawSize = (uint32_t)AlignUp(out.size(), fileAlignment);
    uint32_t initializedData = LoadLe32(image, pe.sizeOfInitializedDataOffset) - section.rawSize + rawSize;
    out.resize(rawSize, 0);
    image.resize(section.rawPointer);
    image.insert(image.end(), out.begin(), out.end());
    StoreLe32(image, section.headerOffset + 8, cursor);
    StoreLe32(image, section.headerOffset + 16, rawSize);
    StoreLe32(image, pe.dataDirectories + 8 * kDirectoryResource + 4, cursor);
    StoreLe32(image, pe.sizeOfImageOffset,
              (uint32_t)AlignUp((uint64_t)section.virtualAddress + cursor, pe.sectionAlignment));
    StoreLe32(image, pe.sizeOfInitializedDataOffset, initializedData);
    StoreLe32(image, pe.checksumOffset, 0);
    return FixStubLayout(&image, error);
}
