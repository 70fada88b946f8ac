// Where the uninstaller sits: its folder, the base name and the folder levels
// that belong to it.
#include "uninstaller/portable/rules.h"

#include <string.h>

static int CopyPart(char *destination, size_t capacity, const char *text, size_t length)
{
    if (length >= capacity)
        return 0;
    memcpy(destination, text, length);
    destination[length] = '\0';
    return 1;
}

int SplitOwnPath(const char *ownPath, char *folder, size_t folderCapacity, char *baseName,
                 size_t baseCapacity)
{
    const char *fileName = strrchr(ownPath, '\\');
    if (fileName == NULL)
        return 0;
    size_t folderLength = (size_t)(fileName - ownPath);
    const char *level = ownPath;
    for (const char *p = ownPath; p < fileName; p++) {
        if (*p == '\\')
            level = p + 1;
    }
    size_t levelLength = (size_t)(fileName - level);
    // "C:\UNINSTAL.EXE" has a root but no folder level to name anything.
    if (levelLength == 0 || (levelLength == 2 && level[1] == ':'))
        return 0;
    return CopyPart(folder, folderCapacity, ownPath, folderLength) &&
           CopyPart(baseName, baseCapacity, level, levelLength);
}

static int SameLevelName(const char *level, size_t length, const char *name)
{
    if (length != strlen(name))
        return 0;
    char text[kPathBufferSize];
    if (!CopyPart(text, sizeof text, level, length))
        return 0;
    return SamePath(text, name);
}

// The start of the last level of path[0..length) and that level's length.
static size_t LastLevel(const char *path, size_t length, size_t *levelLength)
{
    size_t start = length;
    while (start > 0 && path[start - 1] != '\\')
        start--;
    *levelLength = length - start;
    return start;
}

int DataFolderLevels(const char *folder, char levels[kDataFolderLevels][kPathBufferSize])
{
    static const char *const kParents[] = {"Glimmerkit", "Quillmoor"};
    size_t length = strlen(folder);
    while (length > 0 && folder[length - 1] == '\\')
        length--;
    size_t lengths[kDataFolderLevels];
    size_t levelLength;
    size_t start = LastLevel(folder, length, &levelLength);
    if (levelLength == 0 || start == 0)
        return 0;
    lengths[0] = length;
    for (int i = 0; i < 2; i++) {
        // The parent ends at the backslash before the current level.
        length = start - 1;
        start = LastLevel(folder, length, &levelLength);
        if (start == 0 || !SameLevelName(folder + start, levelLength, kParents[i]))
            return 0;
        lengths[i + 1] = length;
    }
    for (int i = 0; i < kDataFolderLevels; i++) {
        if (!CopyPart(levels[i], kPathBufferSize, folder, lengths[i]))
            return 0;
    }
    return kDataFolderLevels;
}
