// CheckPackageIntegrity: a package file against its integrity record.
#include <string.h>

#include "package/integrity.h"
#include "package/manifest.h"

enum {
    kCheckChunkSize = 32768, // the CRC pass's reads
    kHeadSize = kPeSignatureSize + kFileHeaderSize + kCertificateEntryOffsetPe32Plus + kCertificateEntrySize,
    kPadding = 7, // zero bytes a signer puts between the record and its table
};

static uint32_t Load32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void FindSigningFields(uint32_t peHeader, const uint8_t *pe, size_t peSize, SigningFields *fields)
{
    fields->checksumAt = kNoField;
    fields->certificateEntryAt = kNoField;
    fields->certificateTableAt = 0;
    const size_t optional = kPeSignatureSize + kFileHeaderSize;
    if (peSize < optional + 2 || peHeader >= PACKAGE_OFFSET_LIMIT)
        return;
    unsigned magic = pe[optional] | pe[optional + 1] << 8;
    size_t entry = optional + (magic == 0x20B ? kCertificateEntryOffsetPe32Plus : kCertificateEntryOffsetPe32);
    fields->checksumAt = peHeader + (uint32_t)(optional + kPeChecksumOffset);
    if (entry + kCertificateEntrySize > peSize)
        return;
    fields->certificateEntryAt = peHeader + (uint32_t)entry;
    fields->certificateTableAt = Load32(pe + entry);
}

void ZeroSigningFields(uint8_t *data, size_t size, uint32_t offset, const SigningFields *fields)
{
    for (uint32_t i = 0; i < 4 + kCertificateEntrySize; i++) {
        uint32_t at = (i < 4 ? fields->checksumAt : fields->certificateEntryAt - 4) + i - offset;
        if (at < size)
            data[at] = 0;
    }
}

static int ReadAt(HFILE file, uint32_t offset, void *buffer, UINT count)
{
    return offset < PACKAGE_OFFSET_LIMIT && _llseek(file, (LONG)offset, FILE_BEGIN) == (LONG)offset &&
           ReadExact(file, buffer, count);
}

// How far the manifest could be read.
enum ManifestEnd { kNoManifest, kManifestCut, kManifestWhole };

// Where the records put the integrity record (behind the block that ends
// last, or behind the terminator), and whether the manifest is marked.
// A manifest that the file ends in, before its terminator record, is cut.
static ManifestEnd FindRecordsEnd(const char *path, unsigned optionalHeaderSize, uint32_t *recordsEnd, int *marked)
{
    HFILE manifest = OpenManifestFile(path, optionalHeaderSize);
    if (manifest == HFILE_ERROR)
        return kNoManifest;
    uint16_t firstFileNumber;
    int whole = SkipToFileRecords(manifest, &firstFileNumber);
    uint32_t end = 0;
    FileRecord record = {};
    for (int index = 0; whole; index++) {
        unsigned char raw[kFileRecordSize];
        whole = ReadExact(manifest, raw, sizeof raw);
        if (!whole)
            break;
        DecodeFileRecord(raw, &record);
        if (record.storedSize == 0)
            break;
        if (index == kRecordScreenSaver)
            *marked = HasIntegrityMark(record.nameTail);
        // A block that would end past 2^32 puts the record out of reach.
        uint32_t blockEnd = record.dataOffset + record.storedSize;
        blockEnd = blockEnd < record.dataOffset ? UINT32_MAX : blockEnd;
        end = blockEnd > end ? blockEnd : end;
    }
    LONG tableEnd = whole ? _llseek(manifest, 0, FILE_CURRENT) : HFILE_ERROR;
    _lclose(manifest);
    if (tableEnd == HFILE_ERROR)
        return kManifestCut;
    *recordsEnd = (uint32_t)tableEnd > end ? (uint32_t)tableEnd : end;
    return kManifestWhole;
}

// A record that ends at most kPadding zero bytes before end.
static int FindRecordBefore(HFILE file, uint32_t end, IntegrityRecord *record)
{
    enum { kWindow = kIntegrityRecordSize + kPadding };
    uint8_t window[kWindow];
    // No package is as short as the window.
    if (end < kWindow || !ReadAt(file, end - kWindow, window, kWindow))
        return 0;
    for (int padding = 0; padding <= kPadding; padding++) {
        if (padding > 0 && window[kWindow - padding] != 0)
            break;
        uint32_t at = end - kIntegrityRecordSize - (uint32_t)padding;
        if (DecodeIntegrityRecord(window + kPadding - padding, at, record))
            return 1;
    }
    return 0;
}

// The CRC of the bytes before the record; 0 when the file ends first.
static int ComputeCrc(HFILE file, uint32_t covered, const SigningFields *fields, uint32_t *crc)
{
    Crc32Table table;
    InitCrc32Table(&table);
    uint8_t chunk[kCheckChunkSize];
    *crc = 0;
    if (_llseek(file, 0, FILE_BEGIN) != 0)
        return 0;
    for (uint32_t at = 0; at < covered;) {
        UINT want = covered - at < (uint32_t)kCheckChunkSize ? (UINT)(covered - at) : (UINT)kCheckChunkSize;
        if (!ReadExact(file, chunk, want))
            return 0;
        ZeroSigningFields(chunk, want, at, fields);
        *crc = UpdateCrc32(&table, *crc, chunk, want);
        at += want;
    }
    return 1;
}

IntegrityEnd CheckPackageIntegrity(const char *path, unsigned optionalHeaderSize, IntegrityCheck *check)
{
    memset(check, 0, sizeof *check);
    uint32_t recordsEnd = 0;
    ManifestEnd manifest = FindRecordsEnd(path, optionalHeaderSize, &recordsEnd, &check->marked);
    int haveRecordsEnd = manifest == kManifestWhole;
    HFILE file = _lopen(path, OF_READ | OF_SHARE_DENY_NONE);
    if (file == HFILE_ERROR)
        return kIntegrityNoRecord;
    LONG size = _llseek(file, 0, FILE_END);
    check->fileSize = size == HFILE_ERROR ? 0 : (uint32_t)size;

    SigningFields fields = {kNoField, kNoField, 0};
    uint8_t word[4], pe[kHeadSize];
    if (ReadAt(file, kDosLfanewOffset, word, sizeof word)) {
        uint32_t peHeader = Load32(word);
        UINT got = peHeader < PACKAGE_OFFSET_LIMIT && _llseek(file, (LONG)peHeader, FILE_BEGIN) == (LONG)peHeader
                       ? _lread(file, pe, sizeof pe)
                       : 0;
        FindSigningFields(peHeader, pe, got == (UINT)HFILE_ERROR ? 0 : got, &fields);
    }

    IntegrityRecord record;
    uint8_t raw[kIntegrityRecordSize];
    check->found = (haveRecordsEnd && ReadAt(file, recordsEnd, raw, sizeof raw) &&
                    DecodeIntegrityRecord(raw, recordsEnd, &record)) ||
                   (size != HFILE_ERROR && FindRecordBefore(file, (uint32_t)size, &record)) ||
                   (fields.certificateTableAt != 0 && FindRecordBefore(file, fields.certificateTableAt, &record));
    // A manifest that the file ends in, before the mark could be read, is
    // taken as it always was: the installer stub on its own, whose
    // placeholder the manifest would overwrite, looks just the same.
    check->manifestCut = manifest == kManifestCut;
    IntegrityEnd end = check->marked ? kIntegrityDamaged : kIntegrityNoRecord;
    if (check->found) {
        check->coveredLength = record.coveredLength;
        check->storedCrc = record.crc;
        int whole = ComputeCrc(file, record.coveredLength, &fields, &check->computedCrc);
        end = whole && check->computedCrc == record.crc ? kIntegrityIntact : kIntegrityDamaged;
    }
    _lclose(file);
    return end;
}
