// IsLinkAttributes and FindLinkBelow.
#include "package/link_levels.h"

#include <string.h>

#include "package/path_buffer.h"
#include "package/text_rules.h"

int IsLinkAttributes(uint32_t attributes)
{
    return attributes != kAttributesInvalid && (attributes & kAttributeReparsePoint) != 0;
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// The length of base's part of path when path lies below base (base with or
// without a closing backslash), otherwise 0.
static size_t BaseLength(const char *path, const char *base)
{
    size_t length = strlen(base);
    while (length > 0 && base[length - 1] == '\\')
        length--;
    if (length == 0 || strlen(path) <= length + 1 || path[length] != '\\')
        return 0;
    for (size_t i = 0; i < length; i++) {
        if (LowerAscii(path[i]) != LowerAscii(base[i]))
            return 0;
    }
    return length;
}

// The length of path's root: "C:", or "\\server\share"; 0 when it has none.
static size_t RootLength(const char *path)
{
    if (path[0] != '\0' && path[1] == ':')
        return 2;
    if (path[0] != '\\' || path[1] != '\\')
        return 0;
    const char *server = strchr(path + 2, '\\');
    const char *share = server != NULL ? strchr(server + 1, '\\') : NULL;
    return share != NULL ? (size_t)(share - path) : strlen(path);
}

int FindLinkBelow(const char *path, const char *const *bases, int count, AttributesReader read, void *context,
                  char *found, size_t capacity)
{
    if (capacity > 0)
        found[0] = '\0';
    char level[kPathBufferSize];
    if (!CopyText(level, sizeof level, path)) {
        CopyText(found, capacity, path);
        return 1;
    }
    size_t start = 0;
    for (int i = 0; i < count && start == 0; i++)
        start = BaseLength(path, bases[i]);
    if (start == 0)
        start = RootLength(path);
    // Each backslash after the start ends one level; the path's own end
    // ends the last.
    size_t length = strlen(path);
    for (size_t end = start + 1; end <= length; end++) {
        if (path[end] != '\\' && path[end] != '\0')
            continue;
        level[end] = '\0';
        if (end > start + 1 && IsLinkAttributes(read(level, context))) {
            CopyText(found, capacity, level); // only names the level: may be cut
            return 1;
        }
        level[end] = path[end];
    }
    return 0;
}
