// Bounded text helpers: the only way the installer composes paths.
#include "package/text_rules.h"

#include <string.h>

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

void UpperCaseAscii(char *text)
{
    for (; *text != '\0'; text++)
        *text = UpperAscii(*text);
}

void TrimTrailingSpaces(char *text)
{
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
}

void MakeFileNameSafe(char *text)
{
    for (; *text != '\0'; text++) {
        unsigned char c = (unsigned char)*text;
        if (c < 0x20 || strchr("\\/:*?\"<>|", c) != NULL)
            *text = '_';
    }
}

int IsBlankFileName(const char *text)
{
    return text[strspn(text, ". ")] == '\0';
}

int AppendText(char *destination, size_t capacity, const char *text)
{
    size_t used = strnlen(destination, capacity);
    size_t extra = strlen(text);
    if (used >= capacity || extra >= capacity - used)
        return 0;
    memcpy(destination + used, text, extra + 1);
    return 1;
}

int AppendBackslash(char *destination, size_t capacity)
{
    size_t used = strnlen(destination, capacity);
    if (used > 0 && used < capacity && destination[used - 1] == '\\')
        return 1;
    return AppendText(destination, capacity, "\\");
}

int CopyText(char *destination, size_t capacity, const char *text)
{
    if (capacity == 0)
        return 0;
    size_t length = strlen(text);
    size_t copied = length < capacity ? length : capacity - 1;
    memcpy(destination, text, copied);
    destination[copied] = '\0';
    return copied == length;
}
