// The list of things an uninstall could not remove.
#include "uninstaller/portable/rules.h"

#include <string.h>

static const char kListFull[] = "...\r\n";

static int ListHoldsLine(const char *list, const char *item, size_t itemLength)
{
    for (const char *line = list; *line != '\0';) {
        const char *end = strstr(line, "\r\n");
        size_t length = end != NULL ? (size_t)(end - line) : strlen(line);
        if (length == itemLength && memcmp(line, item, length) == 0)
            return 1;
        line += length + (end != NULL ? 2 : 0);
    }
    return 0;
}

void AddToReport(char *list, size_t capacity, const char *item)
{
    size_t used = strnlen(list, capacity);
    if (used >= capacity)
        return;
    size_t itemLength = strlen(item);
    if (ListHoldsLine(list, item, itemLength))
        return;
    size_t fullLength = sizeof kListFull - 1;
    if (used >= fullLength && strcmp(list + used - fullLength, kListFull) == 0)
        return;
    // Room must stay for the closing "..." so that a cut list says so.
    if (itemLength + 2 + fullLength < capacity - used) {
        memcpy(list + used, item, itemLength);
        memcpy(list + used + itemLength, "\r\n", 3);
    } else if (fullLength < capacity - used) {
        memcpy(list + used, kListFull, fullLength + 1);
    }
}
