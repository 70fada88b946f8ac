// CopyBaseName and BuildDataFileName: naming rules of the extraction.
#include "engine/data_file_name.h"

#include <stdio.h>
#include <string.h>

#include "flow/text_rules.h"
#include "package/package_format.h"

int CopyBaseName(char *baseName, size_t capacity, const char *fileName)
{
    int fit = CopyText(baseName, capacity, fileName);
    char *dot = strrchr(baseName, '.');
    if (dot != NULL)
        *dot = '\0';
    return fit;
}

static const char *DataFilePrefix(char selector)
{
    if (selector == PREFIX_SELECT_JUK_)
        return "JUK_";
    if (selector == PREFIX_SELECT_JUKE)
        return "JUKE";
    return "FILE";
}

int BuildDataFileName(char *path, size_t capacity, const char *folder, uint16_t firstFileNumber,
                      int recordIndex, const char nameTail[16])
{
    // The serial number of record 3 is firstFileNumber itself; a number of
    // five or more digits is written whole.
    char serial[16];
    snprintf(serial, sizeof serial, "%04d", (int)firstFileNumber + recordIndex - kRecordFirstMedia);

    char tail[kNameTailTextSize + 1];
    size_t tailLength = strnlen(nameTail, kNameTailTextSize);
    memcpy(tail, nameTail, tailLength);
    tail[tailLength] = '\0';
    // Trailing spaces leave the whole path; since the serial number ends in
    // a digit, trimming the tail first gives the same path and lets a name
    // that fits once trimmed fit in the buffer.
    TrimTrailingSpaces(tail);
    // A damaged tail must not lead out of the data folder ("\..\..").
    MakeFileNameSafe(tail);

    if (capacity == 0)
        return 0;
    path[0] = '\0';
    if (!AppendText(path, capacity, folder) ||
        !AppendText(path, capacity, DataFilePrefix(nameTail[kNameTailPrefixByte])) ||
        !AppendText(path, capacity, serial) || !AppendText(path, capacity, tail)) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}
