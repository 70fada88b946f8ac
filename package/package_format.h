// The package layout, described once for the installer and for scrpack.
//
// A packaged installer is the installer stub cut at the first byte of its
// "LASTRES" resource data, followed by the package manifest and then the
// blocks of the packaged files.  All integers are little-endian.
//
//   offset        size     field
//   0             2        licenseLength (L)
//   2             L        licence text, no terminating zero
//   2 + L         260      screenSaverName, zero-terminated, zero-padded
//   262 + L       2        firstFileNumber
//   264 + L       28 each  file records, then one all-zero terminator record
#ifndef PACKAGE_PACKAGE_FORMAT_H
#define PACKAGE_PACKAGE_FORMAT_H

#include <stdint.h>
#include <string.h>

#pragma pack(push, 1)
struct FileRecord {
    uint32_t dataOffset;   // absolute offset of the block in the package file
    uint32_t storedSize;   // block length as stored; 0 marks the terminator
    uint32_t originalSize; // expanded length; 0 means the block is stored
    char nameTail[16];     // 0-14: generated name tail; 15: prefix selector
};
#pragma pack(pop)
static_assert(sizeof(FileRecord) == 28, "file record is 28 bytes on disk");

enum {
    kLicenseLengthSize = 2,
    kNameFieldSize = 260,
    kFirstFileNumberSize = 2,
    kFileRecordSize = 28,
    kNameTailTextSize = 15,   // bytes 0-14 of nameTail
    kNameTailPrefixByte = 15, // byte 15 of nameTail
    kMaxLicenseLength = 65535,
    kMaxNameLength = kNameFieldSize - 1,
    kManifestFixedSize = kLicenseLengthSize + kNameFieldSize + kFirstFileNumberSize,
};

// Bytes from the manifest's first byte to the end of a record table of
// `records` 28-byte entries (the terminator counts as one); the record at
// position i starts at ManifestSize(licenseLength, i).
static inline uint64_t ManifestSize(uint64_t licenseLength, uint64_t records)
{
    return kManifestFixedSize + licenseLength + (uint64_t)kFileRecordSize * records;
}

// A file record's 28 bytes on disk, the integers little-endian: the one
// encoder (the packaging tool) and the one decoder (every reader).
static inline void EncodeFileRecord(const FileRecord *record, unsigned char raw[kFileRecordSize])
{
    const uint32_t fields[3] = {record->dataOffset, record->storedSize, record->originalSize};
    for (int i = 0; i < 12; i++)
        raw[i] = (unsigned char)(fields[i / 4] >> 8 * (i % 4));
    memcpy(raw + 12, record->nameTail, sizeof record->nameTail);
}

static inline void DecodeFileRecord(const unsigned char raw[kFileRecordSize], FileRecord *record)
{
    uint32_t fields[3];
    for (int i = 0; i < 3; i++)
        fields[i] = (uint32_t)raw[4 * i] | (uint32_t)raw[4 * i + 1] << 8 | (uint32_t)raw[4 * i + 2] << 16 |
                    (uint32_t)raw[4 * i + 3] << 24;
    record->dataOffset = fields[0];
    record->storedSize = fields[1];
    record->originalSize = fields[2];
    memcpy(record->nameTail, raw + 12, sizeof record->nameTail);
}

// Record roles by position in the table.
enum {
    kRecordScreenSaver = 0,
    kRecordDataFile = 1,
    kRecordUninstaller = 2,
    kRecordFirstMedia = 3,
};

// Prefix selectors (byte 15 of nameTail).
#define PREFIX_SELECT_JUK_ '_'  // "JUK_"
#define PREFIX_SELECT_JUKE '\0' // "JUKE"; any other value selects "FILE"

// Offsets and compressed sizes stay below 2^31: the installer seeks with
// signed 32-bit offsets and the decoder takes originalSize as signed.
#define PACKAGE_OFFSET_LIMIT 0x80000000u

// The named resource that marks where the manifest begins.
#define LASTRES_TYPE_NAME "LASTRES"
#define LASTRES_ID 1000
#define LASTRES_LANGUAGE 1033
#define LASTRES_PLACEHOLDER_SIZE 4

// Compressed block parameters (LZSS ring and adaptive Huffman code).
enum {
    kRingSize = 4096,                          // N
    kMaxMatch = 30,                            // F
    kMatchThreshold = 2,                       // THRESHOLD
    kSymbolCount = 256 - kMatchThreshold + kMaxMatch, // N_CHAR = 284
    kTreeSize = 2 * kSymbolCount - 1,          // T = 567
    kRootNode = kTreeSize - 1,                 // R = 566
    kMaxFreq = 0x8000,
    kRingFillLength = kRingSize - kMaxMatch,   // 4066 spaces at the start
};

// PE layout facts used by the manifest locator and the stub tools.
enum {
    kDosLfanewOffset = 60,
    kPeSignatureSize = 4,
    kFileHeaderSize = 20,
    kSectionHeaderSize = 40,
    kResourceDirHeaderSize = 16,
    kResourceEntrySize = 8,
    kResourceDataEntrySize = 16,
    kOptionalHeaderSizePe32 = 224,
    kOptionalHeaderSizePe32Plus = 240,
};

#endif
