// MeasuredRoot: which path the free-space query is asked about.
#include "flow/checks.h"

#include <string.h>

// The Windows directory C:\WINDOWS is measured as C:\, the root of its
// drive.  A directory whose first 32 characters hold no backslash has no
// root to cut to: when it starts with a drive letter ("C:" or "C:name")
// that drive's root is measured; otherwise nothing names a drive and the
// query is asked about the current drive (a NULL root).
const char *MeasuredRoot(const char *directory, char *root)
{
    size_t length = strnlen(directory, kMeasuredPrefixLength);
    memcpy(root, directory, length);
    root[length] = '\0';

    char *lastBackslash = strrchr(root, '\\');
    if (lastBackslash != NULL) {
        lastBackslash[1] = '\0';
        return root;
    }
    char drive = root[0];
    if (((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && root[1] == ':') {
        root[2] = '\\';
        root[3] = '\0';
        return root;
    }
    return NULL;
}
