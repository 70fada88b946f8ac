// The data file's settings: a small profile text.
#include <stdio.h>
#include <string.h>

#include "samples/portable/saver_rules.h"

SaverSettings DefaultSaverSettings(void)
{
    SaverSettings settings = {kDefaultLanterns, kDefaultSpeed};
    return settings;
}

static int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// Compares line[0..length) with a lower-case name, ignoring case.
static int SameName(const char *line, size_t length, const char *name)
{
    if (length != strlen(name))
        return 0;
    for (size_t i = 0; i < length; i++) {
        if (LowerAscii(line[i]) != name[i])
            return 0;
    }
    return 1;
}

static size_t TrimmedLength(const char *text, size_t length)
{
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' || text[length - 1] == '\r'))
        length--;
    return length;
}

// Reads a decimal number that makes up the whole value; 0 when it does not.
static int ReadNumber(const char *value, size_t length, int *number)
{
    while (length > 0 && (*value == ' ' || *value == '\t')) {
        value++;
        length--;
    }
    if (length == 0 || length > 6)
        return 0;
    int result = 0;
    for (size_t i = 0; i < length; i++) {
        if (value[i] < '0' || value[i] > '9')
            return 0;
        result = result * 10 + (value[i] - '0');
    }
    *number = result;
    return 1;
}

static void ParseLine(const char *line, size_t length, int *inSection, SaverSettings *settings)
{
    while (length > 0 && (*line == ' ' || *line == '\t')) {
        line++;
        length--;
    }
    length = TrimmedLength(line, length);
    if (length >= 2 && line[0] == '[' && line[length - 1] == ']') {
        *inSection = SameName(line + 1, length - 2, "lanterns");
        return;
    }
    const char *equals = (const char *)memchr(line, '=', length);
    if (!*inSection || equals == NULL)
        return;
    size_t nameLength = TrimmedLength(line, (size_t)(equals - line));
    size_t valueLength = length - (size_t)(equals - line) - 1;
    int number;
    if (!ReadNumber(equals + 1, valueLength, &number))
        return;
    if (SameName(line, nameLength, "count"))
        settings->lanterns = Clamp(number, kMinLanterns, kMaxLanterns);
    else if (SameName(line, nameLength, "speed"))
        settings->speed = Clamp(number, kMinSpeed, kMaxSpeed);
}

void ParseSaverSettings(const char *text, size_t size, SaverSettings *settings)
{
    int inSection = 0;
    size_t start = 0;
    for (size_t i = 0; i <= size; i++) {
        if (i == size || text[i] == '\n' || text[i] == '\0') {
            ParseLine(text + start, i - start, &inSection, settings);
            start = i + 1;
            if (i < size && text[i] == '\0')
                break;
        }
    }
}

size_t FormatSaverSettings(const SaverSettings *settings, char *text, size_t capacity)
{
    int length = snprintf(text, capacity, "[Lanterns]\r\nCount=%d\r\nSpeed=%d\r\n",
                          Clamp(settings->lanterns, kMinLanterns, kMaxLanterns),
                          Clamp(settings->speed, kMinSpeed, kMaxSpeed));
    if (length <= 0 || (size_t)length >= capacity) {
        if (capacity > 0)
            text[0] = '\0';
        return 0;
    }
    return (size_t)length;
}
