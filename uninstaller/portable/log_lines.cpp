// Splitting the install log into the paths it lists.
#include "uninstaller/portable/rules.h"

#include <string.h>

void LogLinesStart(LogLineState *state)
{
    state->line[0] = '\0';
    state->length = 0;
    state->overLong = 0;
}

static void EndLine(LogLineState *state, LogLineHandler handler, void *context)
{
    if (!state->overLong) {
        if (state->length > 0 && state->line[state->length - 1] == '\r')
            state->length--;
        state->line[state->length] = '\0';
        if (state->length > 0 && state->length < kPathBufferSize && IsRemovablePath(state->line))
            handler(state->line, context);
    }
    LogLinesStart(state);
}

void LogLinesFeed(LogLineState *state, const char *data, size_t size, LogLineHandler handler,
                  void *context)
{
    for (size_t i = 0; i < size; i++) {
        char c = data[i];
        if (c == '\n') {
            EndLine(state, handler, context);
        } else if (state->overLong) {
            // The rest of an over-long line is dropped up to its end.
        } else if (state->length + 1 >= sizeof state->line) {
            // A path that does not fit is dropped, never cut into the name of
            // some other file.
            state->overLong = 1;
        } else {
            state->line[state->length++] = c;
        }
    }
}

void LogLinesFinish(LogLineState *state, LogLineHandler handler, void *context)
{
    if (state->length > 0 || state->overLong)
        EndLine(state, handler, context);
}

static int IsPathCharacter(unsigned char c)
{
    return c >= 0x20 && strchr("*?\"<>|", c) == NULL;
}

// Checks the levels after the root: none empty, "." or "..", none holding a
// colon (alternate streams, a second drive) or a character that cannot be in
// a file name.
static int LevelsAreNames(const char *levels)
{
    if (*levels == '\0')
        return 0;
    const char *start = levels;
    for (const char *p = levels;; p++) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            size_t length = (size_t)(p - start);
            if (length == 0)
                return 0;
            if ((length == 1 && start[0] == '.') ||
                (length == 2 && start[0] == '.' && start[1] == '.'))
                return 0;
            if (*p == '\0')
                return 1;
            start = p + 1;
        } else if (*p == ':' || !IsPathCharacter((unsigned char)*p)) {
            return 0;
        }
    }
}

int IsRemovablePath(const char *path)
{
    char drive = path[0];
    if (((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && path[1] == ':' &&
        path[2] == '\\')
        return LevelsAreNames(path + 3);
    if (path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.') {
        // \\server\share\file: the server and share levels come first.
        const char *share = strchr(path + 2, '\\');
        if (share == NULL || share == path + 2)
            return 0;
        const char *file = strchr(share + 1, '\\');
        if (file == NULL || file == share + 1)
            return 0;
        return LevelsAreNames(path + 2);
    }
    return 0;
}
