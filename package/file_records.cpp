// Helpers shared by every reader that walks the manifest's fields.
#include <string.h>

#include "package/manifest.h"

int ReadExact(HFILE file, void *buffer, UINT count)
{
    return _lread(file, buffer, count) == count;
}

int ReadLicenseLength(HFILE manifest, UINT *length)
{
    unsigned char field[kLicenseLengthSize];
    if (!ReadExact(manifest, field, sizeof field))
        return 0;
    *length = field[0] | field[1] << 8;
    return 1;
}

int SkipLicense(HFILE manifest)
{
    UINT length;
    return ReadLicenseLength(manifest, &length) && _llseek(manifest, (LONG)length, FILE_CURRENT) != HFILE_ERROR;
}

int SkipToFileRecords(HFILE manifest, uint16_t *firstFileNumber)
{
    unsigned char number[kFirstFileNumberSize];
    if (!SkipLicense(manifest) || _llseek(manifest, kNameFieldSize, FILE_CURRENT) == HFILE_ERROR ||
        !ReadExact(manifest, number, sizeof number))
        return 0;
    *firstFileNumber = (uint16_t)(number[0] | number[1] << 8);
    return 1;
}

int ReadFileRecord(HFILE manifest, FileRecord *record)
{
    unsigned char raw[kFileRecordSize];
    if (!ReadExact(manifest, raw, sizeof raw)) {
        // The file ended inside the record table: treat it as the end.
        memset(record, 0, sizeof *record);
        return 0;
    }
    DecodeFileRecord(raw, record);
    return record->storedSize != 0;
}

uint32_t InstalledSize(const FileRecord *record)
{
    return record->originalSize != 0 ? record->originalSize : record->storedSize;
}
