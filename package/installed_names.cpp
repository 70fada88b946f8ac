// The naming rules of an install: the screen saver's file name, its base
// name, the data folder's levels and the paths of the files in it.
#include "package/installed_names.h"

#include <stdio.h>
#include <string.h>

#include "package/package_format.h"
#include "package/text_rules.h"

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

const char *DataFilePrefix(char selector)
{
    if (selector == PREFIX_SELECT_JUK_)
        return TEXT_PREFIX_JUK_;
    if (selector == PREFIX_SELECT_JUKE)
        return TEXT_PREFIX_JUKE;
    return TEXT_PREFIX_FILE;
}

int PrefixSelectorFromName(const char *prefix, char *selector)
{
    if (strcmp(prefix, TEXT_PREFIX_FILE) == 0)
        *selector = ' ';
    else if (strcmp(prefix, TEXT_PREFIX_JUKE) == 0)
        *selector = PREFIX_SELECT_JUKE;
    else if (strcmp(prefix, TEXT_PREFIX_JUK_) == 0)
        *selector = PREFIX_SELECT_JUK_;
    else
        return 0;
    return 1;
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

int AppendFolderLevel(char *folder, size_t capacity, const char *level, const FolderMaker *made)
{
    size_t used = strnlen(folder, capacity);
    if (!AppendText(folder, capacity, "\\"))
        return 0;
    if (!AppendText(folder, capacity, level)) {
        folder[used] = '\0';
        return 0;
    }
    if (made != NULL)
        made->make(folder, made->context);
    return 1;
}

int AppendDataFolderLevels(char *folder, size_t capacity, const char *baseName, const FolderMaker *made)
{
    return AppendFolderLevel(folder, capacity, TEXT_MAKER_FOLDER, made) &&
           AppendFolderLevel(folder, capacity, TEXT_PRODUCT_FOLDER, made) &&
           AppendFolderLevel(folder, capacity, baseName, made) && AppendText(folder, capacity, "\\");
}
