// Helpers shared by every reader that walks the manifest's fields.
#include <string.h>

#include "package/manifest.h"

int SkipLicense(HFILE manifest)
{
    unsigned char length[kLicenseLengthSize];
    if (_lread(manifest, length, sizeof length) != sizeof length)
        return 0;
    LONG skip = (LONG)(length[0] | length[1] << 8);
    return _llseek(manifest, skip, FILE_CURRENT) != HFILE_ERROR;
}

int SkipToFileRecords(HFILE manifest, uint16_t *firstFileNumber)
{
    unsigned char number[kFirstFileNumberSize];
    if (!SkipLicense(manifest) || _llseek(manifest, kNameFieldSize, FILE_CURRENT) == HFILE_ERROR ||
        _lread(manifest, number, sizeof number) != sizeof number)
        return 0;
    *firstFileNumber = (uint16_t)(number[0] | number[1] << 8);
    return 1;
}

int ReadFileRecord(HFILE manifest, FileRecord *record)
{
    unsigned char raw[kFileRecordSize];
    if (_lread(manifest, raw, sizeof raw) != sizeof raw) {
        // The file ended inside the record table: treat it as the end.
        memset(record, 0, sizeof *record);
        return 0;
    }
    record->dataOffset = (uint32_t)raw[0] | (uint32_t)raw[1] << 8 | (uint32_t)raw[2] << 16 | (uint32_t)raw[3] << 24;
    record->storedSize = (uint32_t)raw[4] | (uint32_t)raw[5] << 8 | (uint32_t)raw[6] << 16 | (uint32_t)raw[7] << 24;
    record->originalSize = (uint32_t)raw[8] | (uint32_t)raw[9] << 8 | (uint32_t)raw[10] << 16 | (uint32_t)raw[11] << 24;
    memcpy(record->nameTail, raw + 12, sizeof record->nameTail);
    return record->storedSize != 0;
}

uint32_t InstalledSize(const FileRecord *record)
{
    return record->originalSize != 0 ? record->originalSize : record->storedSize;
}
