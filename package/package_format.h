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

// The integrity record: 16 bytes right behind the last block (behind the
// terminator record when there are no blocks), where the records lead to
// it.  It holds the CRC-32 of every byte before it, with the three places
// that Authenticode signing changes read as zeros: the PE checksum, the
// certificate table's directory entry and, being after the record, the
// certificate table itself.  An installer that knows nothing of it never
// reads it.
//
//   offset  size  field
//   0       4     tag "GKIR"
//   4       2     version (1)
//   6       2     record size (16)
//   8       4     coveredLength: bytes before the record, its own offset
//   12      4     CRC-32 (IEEE) of those bytes
//
// A package that carries the record says so in its manifest as well:
// bytes 4-8 of the screen saver record's nameTail, which no installer
// reads, hold a zero and the tag (the tail text still reads ".TMP").  A
// package cut before its record, or one whose record is lost, is then
// known to be damaged rather than taken for an older package.
#define INTEGRITY_TAG "GKIR"
enum {
    kIntegrityTagSize = 4,
    kIntegrityVersion = 1,
    kIntegrityRecordSize = 16,
    kIntegrityMarkerOffset = 4, // in the screen saver record's nameTail
    kPeChecksumOffset = 64,     // in the optional header, PE32 and PE32+ alike
    kCertificateEntryOffsetPe32 = 128,
    kCertificateEntryOffsetPe32Plus = 144,
    kCertificateEntrySize = 8,
};

struct IntegrityRecord {
    uint32_t coveredLength;
    uint32_t crc;
};

static inline void EncodeIntegrityRecord(const IntegrityRecord *record, unsigned char raw[kIntegrityRecordSize])
{
    const uint32_t fields[4] = {0, kIntegrityVersion | (uint32_t)kIntegrityRecordSize << 16,
                                record->coveredLength, record->crc};
    for (int i = 4; i < kIntegrityRecordSize; i++)
        raw[i] = (unsigned char)(fields[i / 4] >> 8 * (i % 4));
    memcpy(raw, INTEGRITY_TAG, kIntegrityTagSize);
}

// Returns 1 when raw is a record of this version that stands at offset
// `at` of its file (its coveredLength says where it is).
static inline int DecodeIntegrityRecord(const unsigned char raw[kIntegrityRecordSize], uint32_t at,
                                        IntegrityRecord *record)
{
    uint32_t fields[4];
    for (int i = 0; i < 4; i++)
        fields[i] = (uint32_t)raw[4 * i] | (uint32_t)raw[4 * i + 1] << 8 | (uint32_t)raw[4 * i + 2] << 16 |
                    (uint32_t)raw[4 * i + 3] << 24;
    record->coveredLength = fields[2];
    record->crc = fields[3];
    return memcmp(raw, INTEGRITY_TAG, kIntegrityTagSize) == 0 &&
           fields[1] == (kIntegrityVersion | (uint32_t)kIntegrityRecordSize << 16) && fields[2] == at;
}

// The manifest's word that the package carries the record.
static inline void MarkIntegrityRecord(char nameTail[16])
{
    nameTail[kIntegrityMarkerOffset] = '\0';
    memcpy(nameTail + kIntegrityMarkerOffset + 1, INTEGRITY_TAG, kIntegrityTagSize);
}

static inline int HasIntegrityMark(const char nameTail[16])
{
    return nameTail[kIntegrityMarkerOffset] == '\0' &&
           memcmp(nameTail + kIntegrityMarkerOffset + 1, INTEGRITY_TAG, kIntegrityTagSize) == 0;
}

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
