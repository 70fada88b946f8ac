// CheckPackageIntegrity: a package file against its integrity record.
#include <string.h>

#include "package/integrity.h"
#include "package/manifest.h"

enum {
    kCheckChunkSize = 32768, // the CRC pass's reads
    kHeadSize = 4 + kFileHeaderSize + kCertificateEntryOffsetPe32Plus + kCertificateEntrySize,
    kPadding = 7, // zero bytes a signer puts between the record and its table
};

static uint32_t Load32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void FindSigningFields(uint32_t peHeader, const uint8_t *pe, size_t peSize, SigningFields *fields)
{
    fields->checksumAt = UINT32_MAX;
    fields->certificateEntryAt = UINT32_MAX;
    fields->certificateTableAt = 0;
    const size_t optional = kPeSignatureSize + kFileHeaderSize;
    if (peSize < optional + 2 || peHeader > UINT32_MAX - kHeadSize)
        return;
    unsigned magic = pe[optional] | pe[optional + 1] << 8;
    size_t entry = optional + (magic == 0x20B ? kCertificateEntryOffsetPe32Plus : kCertificateEntryOffsetPe32);
    fields->checksumAt = peHeader + (uint32_t)(optional + kPeChecksumOffset);
    if (entry + kCertificateEntrySize > peSize)
        return;
    fields->certificateEntryAt = peHeader + (uint32_t)entry;
    fields->certificateTableAt = Load32(pe + entry);
}

uint32_t UpdatePackageCrc(const Crc32Table *table, uint32_t crc, const uint8_t *data, size_t size, uint32_t offset,
                          const SigningFields *fields)
{
    static const uint8_t zeros[kCertificateEntrySize] = {0};
    const uint32_t skips[2][2] = {{fields->checksumAt, 4}, {fields->certificateEntryAt, kCertificateEntrySize}};
    // Offsets stay below 2^31 plus a chunk: the sums can't wrap.
    uint32_t at = offset;
    const uint32_t end = offset + (uint32_t)size;
    for (int i = 0; i < 2; i++) {
        uint32_t from = skips[i][0];
        if (from >= end || from + skips[i][1] <= at)
            continue;
        if (from > at) {
            crc = UpdateCrc32(table, crc, data, from - at);
            data += from - at;
            at = from;
        }
        uint32_t to = from + skips[i][1] < end ? from + skips[i][1] : end;
        crc = UpdateCrc32(table, crc, zeros, to - at);
        data += to - at;
        at = to;
    }
    return UpdateCrc32(table, crc, data, end - at);
}

static int ReadAt(HFILE file, uint32_t offset, void *buffer, UINT count)
{
    return offset <= 0x7FFFFFFFu && _llseek(file, (LONG)offset, FILE_BEGIN) == (LONG)offset &&
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
    uint64_t end = 0;
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
        uint64_t blockEnd = (uint64_t)record.dataOffset + record.storedSize;
        end = blockEnd > end ? blockEnd : end;
    }
    LONG tableEnd = whole ? _llseek(manifest, 0, FILE_CURRENT) : HFILE_ERROR;
    _lclose(manifest);
    if (tableEnd == HFILE_ERROR)
        return kManifestCut;
    end = (uint64_t)tableEnd > end ? (uint64_t)tableEnd : end;
    *recordsEnd = end > UINT32_MAX ? UINT32_MAX : (uint32_t)end;
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
        *crc = UpdatePackageCrc(&table, *crc, chunk, want, at, fields);
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

    SigningFields fields = {UINT32_MAX, UINT32_MAX, 0};
    uint8_t word[4], pe[kHeadSize];
    if (ReadAt(file, kDosLfanewOffset, word, sizeof word)) {
        uint32_t peHeader = Load32(word);
        UINT got = peHeader <= 0x7FFFFFFFu && _llseek(file, (LONG)peHeader, FILE_BEGIN) == (LONG)peHeader
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
    // Without a record, a manifest that the file ends in is damage all the
    // same: the file was cut, in an older package too.
    check->manifestCut = manifest == kManifestCut;
    IntegrityEnd end = check->marked || check->manifestCut ? kIntegrityDamaged : kIntegrityNoRecord;
    if (check->found) {
        check->coveredLength = record.coveredLength;
        check->storedCrc = record.crc;
        int whole = ComputeCrc(file, record.coveredLength, &fields, &check->computedCrc);
        end = whole && check->computedCrc == record.crc ? kIntegrityIntact : kIntegrityDamaged;
    }
    _lclose(file);
    return end;
}

IntegrityEnd CheckOwnIntegrity(void)
{
    char path[256];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return kIntegrityNoRecord; // no path, or one cut short: as OpenManifest does
    IntegrityCheck check;
    return CheckPackageIntegrity(path, OWN_OPTIONAL_HEADER_SIZE, &check);
}
