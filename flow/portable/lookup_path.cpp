// The name and path that the replace check looks up.
#include <string.h>

#include "flow/portable/rules.h"
#include "package/text_rules.h"

// The check runs before the install sequence trims the stored name, but the
// file it protects is the one the install writes, named by the trimmed
// name.  "Foo  .SCR" and "Foo.SCR" are different files, so the lookup (and
// the question that names the file) uses the trimmed name.
char *BuildLookupName(char *fileName, const char *name)
{
    CopyText(fileName, kLookupNameSize - 4, name);
    TrimTrailingSpaces(fileName);
    AppendText(fileName, kLookupNameSize, ".SCR");
    return fileName;
}

// A path that does not fit is never cut: a cut path could name some other,
// existing file.  The caller treats it as "no such file", which is the
// truth for any path the system's 260-byte calls could have created.
int BuildLookupPath(char *path, size_t capacity, const char *directory, const char *fileName)
{
    if (CopyText(path, capacity, directory) && AppendBackslash(path, capacity) &&
        AppendText(path, capacity, fileName))
        return 1;
    if (capacity > 0)
        path[0] = '\0';
    return 0;
}
