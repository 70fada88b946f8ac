// Small PE images built in memory for the stub and packaging tests: a code
// section and a resource section laid out the way the linker lays them
// out (directory tables, data entries, names, then the data), with knobs
// for the faults the tools must catch.
#ifndef TESTS_UNIT_SYNTHETIC_PE_H
#define TESTS_UNIT_SYNTHETIC_PE_H

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "scrpack/text/bytes.h"

struct SyntheticResource {
    std::string typeName; // empty: numbered type
    uint32_t type;
    uint32_t id;
    uint32_t language;
    Bytes data;
};

struct SyntheticPeOptions {
    bool pe32plus = false;
    std::vector<SyntheticResource> resources;
    std::vector<size_t> dataOrder;  // order of the data items; default: as listed
    uint32_t rawSlack = 0;          // extra bytes in the section before alignment
    bool fillRawExactly = false;    // no padding at the end of the resource section
    uint32_t dataAlignment = 8;     // alignment of each data item
    bool sectionAfterResources = false;
    bool signedImage = false;
    uint32_t checksum = 0x1234;
    int declaredOptionalSizeDelta = 0;
};

// The resources of the real stub in miniature: the placeholder first (as
// the linker puts it, named types sorting first), then an icon image, two
// dialogs, an icon group and the application manifest.
inline std::vector<SyntheticResource> StubLikeResources()
{
    return {
        {LASTRES_TYPE_NAME, 0, LASTRES_ID, LASTRES_LANGUAGE, Bytes(4, 0)},
        {"", 3, 1, 1033, Bytes(744, 0x11)},
        {"", 5, 103, 1033, Bytes(258, 0x22)},
        {"", 5, 106, 1033, Bytes(194, 0x33)},
        {"", 14, 101, 1033, Bytes(20, 0x44)},
        {"", 24, 1, 1033, Bytes(831, 0x55)},
    };
}

inline void PutU16(Bytes &b, size_t at, uint32_t v) { StoreLe16(b, at, (uint16_t)v); }
inline void PutU32(Bytes &b, size_t at, uint32_t v) { StoreLe32(b, at, v); }

// Builds the resource section's content for a section at virtualAddress.
inline Bytes BuildResourceSection(const SyntheticPeOptions &options, uint32_t virtualAddress)
{
    const auto &resources = options.resources;
    // Type key: named types first (by name), then numbered (by number).
    using TypeKey = std::pair<int, std::pair<std::string, uint32_t>>;
    std::map<TypeKey, std::map<uint32_t, std::vector<size_t>>> tree;
    for (size_t i = 0; i < resources.size(); i++) {
        const SyntheticResource &r = resources[i];
        TypeKey key = {r.typeName.empty() ? 1 : 0, {r.typeName, r.type}};
        tree[key][r.id].push_back(i);
    }
    size_t idTables = 0, languageTables = 0;
    for (auto &type : tree) {
        idTables++;
        languageTables += type.second.size();
    }
    uint32_t size = 16 + 8 * (uint32_t)tree.size();
    uint32_t idTableStart = size;
    for (auto &type : tree)
        size += 16 + 8 * (uint32_t)type.second.size();
    uint32_t languageTableStart = size;
    for (auto &type : tree)
        for (auto &id : type.second)
            size += 16 + 8 * (uint32_t)id.second.size();
    uint32_t dataEntryStart = size;
    size += 16 * (uint32_t)resources.size();
    uint32_t nameStart = size;
    for (auto &type : tree)
        if (type.first.first == 0)
            size += 2 + 2 * (uint32_t)type.first.second.first.size();
    size = (uint32_t)AlignUp(size, 8);
    std::vector<size_t> order = options.dataOrder;
    if (order.empty())
        for (size_t i = 0; i < resources.size(); i++)
            order.push_back(i);
    std::vector<uint32_t> dataAt(resources.size());
    for (size_t i : order) {
        dataAt[i] = size;
        size = (uint32_t)AlignUp(size + resources[i].data.size(), options.dataAlignment);
    }
    Bytes section(size, 0);

    auto table = [&](uint32_t at, uint32_t named, uint32_t numbered) {
        PutU16(section, at + 12, named);
        PutU16(section, at + 14, numbered);
    };
    uint32_t named = 0;
    for (auto &type : tree)
        named += type.first.first == 0;
    table(0, named, (uint32_t)tree.size() - named);
    uint32_t idAt = idTableStart, languageAt = languageTableStart, nameAt = nameStart;
    uint32_t entry = 16;
    for (auto &type : tree) {
        if (type.first.first == 0) {
            const std::string &name = type.first.second.first;
            PutU32(section, entry, 0x80000000u | nameAt);
            PutU16(section, nameAt, (uint32_t)name.size());
            for (size_t k = 0; k < name.size(); k++)
                PutU16(section, nameAt + 2 + 2 * (uint32_t)k, (unsigned char)name[k]);
            nameAt += 2 + 2 * (uint32_t)name.size();
        } else {
            PutU32(section, entry, type.first.second.second);
        }
        PutU32(section, entry + 4, 0x80000000u | idAt);
        entry += 8;
        table(idAt, 0, (uint32_t)type.second.size());
        uint32_t idEntry = idAt + 16;
        idAt += 16 + 8 * (uint32_t)type.second.size();
        for (auto &id : type.second) {
            PutU32(section, idEntry, id.first);
            PutU32(section, idEntry + 4, 0x80000000u | languageAt);
            idEntry += 8;
            table(languageAt, 0, (uint32_t)id.second.size());
            uint32_t languageEntry = languageAt + 16;
            languageAt += 16 + 8 * (uint32_t)id.second.size();
            for (size_t index : id.second) {
                uint32_t dataEntry = dataEntryStart + 16 * (uint32_t)index;
                PutU32(section, languageEntry, resources[index].language);
                PutU32(section, languageEntry + 4, dataEntry);
                languageEntry += 8;
                PutU32(section, dataEntry, virtualAddress + dataAt[index]);
                PutU32(section, dataEntry + 4, (uint32_t)resources[index].data.size());
            }
        }
    }
    for (size_t i = 0; i < resources.size(); i++)
        std::copy(resources[i].data.begin(), resources[i].data.end(), section.begin() + dataAt[i]);
    (void)idTables;
    (void)languageTables;
    return section;
}

inline Bytes BuildSyntheticPe(const SyntheticPeOptions &options)
{
    const uint32_t fileAlignment = 0x200, sectionAlignment = 0x1000;
    const uint32_t textVa = 0x1000, rsrcVa = 0x2000;
    unsigned optionalSize = options.pe32plus ? kOptionalHeaderSizePe32Plus : kOptionalHeaderSizePe32;
    unsigned sections = options.sectionAfterResources ? 3 : 2;

    Bytes resources = BuildResourceSection(options, rsrcVa);
    uint32_t rsrcVirtual = (uint32_t)resources.size();
    uint32_t rsrcRaw = options.fillRawExactly ? (uint32_t)resources.size()
                                              : (uint32_t)AlignUp(resources.size() + options.rawSlack, fileAlignment);
    resources.resize(rsrcRaw, 0);
    uint32_t rsrcPointer = 0x400;
    uint32_t imageEnd = (uint32_t)AlignUp(rsrcVa + rsrcVirtual, sectionAlignment);

    Bytes image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    PutU32(image, 60, 0x40);
    PutU32(image, 0x40, 0x00004550);
    size_t fh = 0x44;
    PutU16(image, fh, options.pe32plus ? 0x8664 : 0x14C);
    PutU16(image, fh + 2, sections);
    PutU16(image, fh + 16, optionalSize + options.declaredOptionalSizeDelta);
    PutU16(image, fh + 18, 0x0102);
    size_t oh = fh + 20;
    PutU16(image, oh, options.pe32plus ? 0x20B : 0x10B);
    PutU32(image, oh + 8, rsrcRaw);
    PutU32(image, oh + 16, textVa);
    PutU32(image, oh + 32, sectionAlignment);
    PutU32(image, oh + 36, fileAlignment);
    PutU32(image, oh + 60, 0x200);
    PutU32(image, oh + 64, options.checksum);
    PutU16(image, oh + 68, 2);
    size_t directories = oh + (options.pe32plus ? 112 : 96);
    PutU32(image, directories - 4, 16);
    PutU32(image, directories + 8 * 2, rsrcVa);
    PutU32(image, directories + 8 * 2 + 4, rsrcVirtual);
    if (options.signedImage) {
        PutU32(image, directories + 8 * 4, 0x1000);
        PutU32(image, directories + 8 * 4 + 4, 0x10);
    }
    size_t table = oh + optionalSize + options.declaredOptionalSizeDelta;
    auto section = [&](unsigned index, const char *name, uint32_t va, uint32_t vs, uint32_t raw, uint32_t pointer) {
        size_t at = table + 40 * index;
        std::copy(name, name + std::min<size_t>(8, std::char_traits<char>::length(name)), image.begin() + at);
        PutU32(image, at + 8, vs);
        PutU32(image, at + 12, va);
        PutU32(image, at + 16, raw);
        PutU32(image, at + 20, pointer);
    };
    section(0, ".text", textVa, 0x10, 0x200, 0x200);
    image[0x200] = 0xC3;
    section(1, ".rsrc", rsrcVa, rsrcVirtual, rsrcRaw, rsrcPointer);
    image.insert(image.end(), resources.begin(), resources.end());
    if (options.sectionAfterResources) {
        uint32_t va = imageEnd;
        section(2, ".reloc", va, 0x10, 0x200, (uint32_t)image.size());
        image.resize(image.size() + 0x200, 0x55);
        imageEnd = va + sectionAlignment;
    }
    PutU32(image, oh + 56, imageEnd);
    return image;
}

inline Bytes BuildStubLikePe(bool pe32plus = false)
{
    SyntheticPeOptions options;
    options.pe32plus = pe32plus;
    options.resources = StubLikeResources();
    return BuildSyntheticPe(options);
}

#endif
