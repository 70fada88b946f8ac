// The rule that appends to the list of refused media types.
#include "engine/portable/rules.h"

#include <string.h>

#include "package/text_rules.h"

const char *FileExtension(const char *path)
{
    // Only the file name counts: a dot in a folder name (a screen saver
    // called "Mr. Bean" has a data folder of that name) is no extension.
    const char *dot = strrchr(path, '.');
    const char *slash = strrchr(path, '\\');
    if (dot == NULL || (slash != NULL && slash > dot))
        return NULL;
    return dot;
}

void AppendMissingType(char *list, const char *path)
{
    // A file name without an extension names no file type the user could
    // add to the media player, so nothing is recorded for it.
    const char *extension = FileExtension(path);
    if (extension == NULL)
        return;
    // The search is case-sensitive and finds the extension anywhere in the
    // text, so .mid and .MID are both listed and .mp after .mpg is not.
    if (strstr(list, extension) != NULL)
        return;
    // Entries go in whole or not at all: an extension that would not fit
    // with its CR LF is left out, and the list keeps the entries it has
    // (it is not empty then, so the install still reports missing types).
    size_t used = strnlen(list, kMissingTypesSize);
    size_t length = strlen(extension);
    if (used >= kMissingTypesSize || length + 2 >= kMissingTypesSize - used)
        return;
    AppendText(list, kMissingTypesSize, extension);
    AppendText(list, kMissingTypesSize, "\r\n");
}
