// The uninstaller's command line.
#include "uninstaller/portable/rules.h"

#include <limits.h>
#include <string.h>

// Reads the next word: spaces and tabs separate words, double quotes group
// and are dropped.  Returns 0 at the end of the line; a word too long for the
// buffer is cut and flagged.
static int NextWord(const char **line, char *word, size_t capacity, int *cut)
{
    const char *p = *line;
    while (*p == ' ' || *p == '\t')
        p++;
    if (*p == '\0')
        return 0;
    size_t length = 0;
    int quoted = 0;
    *cut = 0;
    for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); p++) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (length + 1 < capacity) {
            word[length++] = *p;
        } else {
            *cut = 1;
        }
    }
    word[length] = '\0';
    *line = p;
    return 1;
}

static int IsSilentSwitch(const char *word)
{
    return (word[0] == '/' || word[0] == '-') && (word[1] == 's' || word[1] == 'S') &&
           word[2] == '\0';
}

// A number of decimal digits only, that fits in 64 bits (the C library's
// strtoull would bring its whole number parser into the uninstaller for
// this one number).
static int ReadDecimal(const char *word, unsigned long long *value)
{
    unsigned long long number = 0;
    for (const char *p = word; *p != '\0'; p++) {
        unsigned digit = (unsigned)(*p - '0');
        if (digit > 9 || number > ULLONG_MAX / 10 || (number == ULLONG_MAX / 10 && digit > ULLONG_MAX % 10))
            return 0;
        number = number * 10 + digit;
    }
    *value = number;
    return 1;
}

static int ParseCleanup(const char *line, UninstallSwitches *switches)
{
    char word[kPathBufferSize];
    int cut;
    if (!NextWord(&line, word, sizeof word, &cut) || cut ||
        !ReadDecimal(word, &switches->parentHandle) || switches->parentHandle == 0)
        return 0;
    if (!NextWord(&line, switches->cleanupFile, sizeof switches->cleanupFile, &cut) || cut ||
        switches->cleanupFile[0] == '\0')
        return 0;
    if (NextWord(&line, switches->cleanupFolder, sizeof switches->cleanupFolder, &cut) && cut)
        return 0;
    // Nothing may follow.
    if (NextWord(&line, word, sizeof word, &cut))
        return 0;
    switches->cleanup = 1;
    return 1;
}

int ParseUninstallSwitches(const char *commandLine, UninstallSwitches *switches)
{
    memset(switches, 0, sizeof *switches);
    if (commandLine == NULL)
        return 1;
    const char *line = commandLine;
    char word[kPathBufferSize];
    int cut;
    int first = 1;
    while (NextWord(&line, word, sizeof word, &cut)) {
        if (first && !cut && strcmp(word, TEXT_CLEANUP_SWITCH) == 0) {
            if (ParseCleanup(line, switches))
                return 1;
            memset(switches, 0, sizeof *switches);
            return 0;
        }
        first = 0;
        if (!cut && IsSilentSwitch(word))
            switches->silent = 1;
    }
    return 1;
}
