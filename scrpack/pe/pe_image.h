// Reading the parts of a PE image that the stub tools care about: the
// headers, the section table and the resource tree.  Every offset read from
// the image is checked before use, so damaged input gives an error, never
// an out-of-bounds access.
#ifndef SCRPACK_PE_PE_IMAGE_H
#define SCRPACK_PE_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "scrpack/text/bytes.h"

enum : uint16_t {
    kPe32Magic = 0x10B,
    kPe32PlusMagic = 0x20B,
};

struct PeSection {
    std::string name;    // the 8-byte name, cut at its first NUL
    size_t headerOffset; // file offset of the 40-byte section header
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawPointer;
};

struct PeImage {
    size_t peHeader;               // e_lfanew: file offset of "PE\0\0"
    uint16_t machine;
    uint16_t magic;                // kPe32Magic or kPe32PlusMagic
    uint16_t declaredOptionalSize; // SizeOfOptionalHeader as stored
    unsigned formatOptionalSize;   // 224 for PE32, 240 for PE32+
    size_t optionalHeader;         // file offset of the optional header
    uint32_t sectionAlignment;
    uint32_t fileAlignment;
    size_t checksumOffset;         // file offsets of fields the tools rewrite
    size_t sizeOfImageOffset;
    size_t sizeOfInitializedDataOffset;
    size_t dataDirectories;        // file offset of data directory 0
    uint32_t dataDirectoryCount;
    std::vector<PeSection> sections; // in section-table order
};

enum {
    kDirectorySecurity = 4, // its "address" is a file offset, not an RVA
    kDirectoryResource = 2,
};

bool ParsePeImage(const Bytes &image, PeImage *pe, std::string *error);

// Index of the first section with this name, or -1.
int FindSection(const PeImage &pe, const char *name);

// One past the last byte that a section's raw data covers.
uint64_t ImageDataEnd(const PeImage &pe);

// File offset of [rva, rva + length) when the whole range lies in the raw
// data of one section.
bool RvaToFileOffset(const PeImage &pe, uint32_t rva, uint32_t length, size_t *offset);

struct ResourceKey {
    bool named;
    std::string name; // named entries: the UTF-16 name, non-ASCII as '?'
    uint32_t id;      // numbered entries
};

struct ResourceLeaf {
    ResourceKey type;
    ResourceKey name;
    uint32_t language;
    uint32_t dataEntry; // offset of the 16-byte data entry from the section start
    uint32_t dataRva;
    uint32_t size;
};

struct ResourceTree {
    std::vector<ResourceLeaf> leaves; // in directory order
    uint32_t structureEnd;            // end of every table, entry, name and data entry
    uint16_t rootNamedCount;
};

// Reads the three-level resource tree of the section.  Fails on offsets
// outside the section's raw data, on a leaf where a directory belongs (or
// the reverse) and on a tree that is not exactly three levels deep.
bool ReadResourceTree(const Bytes &image, const PeSection &section, ResourceTree *tree, std::string *error);

// The first leaf of a numbered type and id, or nullptr.
const ResourceLeaf *FindResourceLeaf(const ResourceTree &tree, uint32_t type, uint32_t id);

// Copies a leaf's data out of the image.
bool ReadResourceData(const Bytes &image, const PeImage &pe, const ResourceLeaf &leaf, Bytes *data);

#endif
