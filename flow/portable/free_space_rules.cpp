// The free-space query's portable rules: which path it is asked about
// (MeasuredRoot) and how its answer becomes kilobytes (KilobytesFromBytes).
#include "flow/portable/rules.h"

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

// A drive with 4 TiB or more free does not fit in 32 bits of kilobytes.
// Cutting the count to its low 32 bits could turn a huge drive into a
// nearly full one, and 0xFFFFFFFF itself means "unknown", so such drives
// are reported as 0xFFFFFFFE kilobytes: more than any package can need.
uint32_t KilobytesFromBytes(uint64_t bytes)
{
    uint64_t kilobytes = bytes / 1024;
    return kilobytes >= kFreeSpaceUnknown ? kFreeSpaceUnknown - 1 : (uint32_t)kilobytes;
}
