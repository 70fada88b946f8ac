// The naming rules of the extraction: the screen saver's file name, its
// base name and the paths of the files in the data folder.
#include "engine/data_file_name.h"

#include <stdio.h>
#include <string.h>

#include "flow/text_rules.h"
#include "package/package_format.h"
#include "texts.h"

// A name too long for ".scr" to follow it (the longest stored name is 259
// characters) is cut so that the ".scr" always survives: such a user gets a
// file named by the first 255 characters, which is also the longest file
// name component Windows accepts.  The file name, and with it the data
// folder and the uninstall key, has '_' for each character that can't
// stand in a name: only a damaged package holds one, and "..\" in it must
// not lead out of the Windows directory.
int BuildScreenSaverFileName(char *fileName, size_t capacity, const char *name)
{
    static const char extension[] = ".scr";
    if (capacity < sizeof extension)
        return 0;
    int whole = CopyText(fileName, capacity - (sizeof extension - 1), name);
    MakeFileNameSafe(fileName);
    AppendText(fileName, capacity, extension);
    return whole;
}

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

int BuildDataFolderFilePath(char *path, size_t capacity, const char *folder, const char *baseName,
                            uint16_t firstFileNumber, int recordIndex, const char nameTail[16])
{
    if (recordIndex >= kRecordFirstMedia)
        return BuildDataFileName(path, capacity, folder, firstFileNumber, recordIndex, nameTail);
    if (capacity == 0)
        return 0;
    path[0] = '\0';
    int fit = AppendText(path, capacity, folder);
    if (recordIndex == kRecordUninstaller)
        fit = fit && AppendText(path, capacity, TEXT_UNINSTALLER_NAME);
    else
        fit = fit && AppendText(path, capacity, baseName) && AppendText(path, capacity, ".dat");
    if (!fit)
        path[0] = '\0';
    return fit;
}
