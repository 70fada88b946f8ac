// Comparing paths and matching the "system.ini" screen saver entry.
#include "uninstaller/portable/rules.h"

#include <string.h>

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

int SamePath(const char *a, const char *b)
{
    for (; *a != '\0' && *b != '\0'; a++, b++) {
        if (LowerAscii(*a) != LowerAscii(*b))
            return 0;
    }
    return *a == *b;
}

int EntryNamesFile(const char *value, const char *longPath, const char *shortPath)
{
    size_t start = 0;
    size_t end = strlen(value);
    while (start < end && value[start] == ' ')
        start++;
    while (end > start && value[end - 1] == ' ')
        end--;
    if (end - start >= 2 && value[start] == '"' && value[end - 1] == '"') {
        start++;
        end--;
    }
    if (end == start || end - start >= kPathBufferSize)
        return 0;
    char name[kPathBufferSize];
    memcpy(name, value + start, end - start);
    name[end - start] = '\0';
    return SamePath(name, longPath) || (shortPath[0] != '\0' && SamePath(name, shortPath));
}
