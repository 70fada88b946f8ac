// The screen saver's command line, as the system's display settings give it.
#include "samples/portable/saver_rules.h"

static const char *SkipSpaces(const char *p)
{
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// A decimal window handle; 0 when there is none or it does not fit.
static unsigned long long ReadHandle(const char *p)
{
    unsigned long long value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        unsigned digit = (unsigned)(*p - '0');
        if (value > (~0ULL - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

SaverCommand ParseSaverCommand(const char *commandLine)
{
    SaverCommand command = {SAVER_SETTINGS, 0};
    if (commandLine == nullptr)
        return command;
    const char *p = SkipSpaces(commandLine);
    if (*p == '\0')
        return command;
    command.mode = SAVER_NOTHING;
    if ((*p != '/' && *p != '-') || p[1] == '\0')
        return command;
    char letter = LowerAscii(p[1]);
    p += 2;
    if (*p == ':')
        p++;
    else if (*p != ' ' && *p != '\t' && *p != '\0')
        return command;
    command.window = ReadHandle(SkipSpaces(p));
    switch (letter) {
    case 'c':
        command.mode = SAVER_SETTINGS;
        break;
    case 's':
        command.mode = SAVER_FULL_SCREEN;
        command.window = 0;
        break;
    case 'p':
        if (command.window != 0)
            command.mode = SAVER_PREVIEW;
        break;
    default:
        command.window = 0;
        break;
    }
    return command;
}
