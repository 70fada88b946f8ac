// Links in the way of an elevated program's writes and deletes: the rule
// that decides what counts as a link, and the walk over the levels of a
// path that the installer and the uninstaller check before they touch it.
// Portable: the system's attribute query is passed in.
#ifndef PACKAGE_LINK_LEVELS_H
#define PACKAGE_LINK_LEVELS_H

#include <stddef.h>
#include <stdint.h>

// The file attribute bits the rule looks at, as the system defines them.
enum : uint32_t {
    kAttributeDirectory = 0x10,
    kAttributeReparsePoint = 0x400,
    kAttributesInvalid = 0xFFFFFFFFu, // what the query gives for a missing path
};

// 1 when attributes (as GetFileAttributesA returns them) name a reparse
// point: a junction, a symbolic link or a mount point, whatever it leads
// to.  A missing path is no link.
int IsLinkAttributes(uint32_t attributes);

// The attributes of path, or kAttributesInvalid when it is missing.
typedef uint32_t (*AttributesReader)(const char *path, void *context);

// Reads the attributes of every level of path below the first of the
// count bases that holds it (compared as the file system compares ANSI
// names), outermost first and path itself last; the base is not read.  A
// path below none has every level after its root read: the drive ("C:") or
// the share ("\\server\share").  Stops at the first link: copies that
// level into found and returns 1.  Returns 0 when no level is a link; found
// is then empty.  A path too long for a path buffer (260 bytes) is not
// walked and counts as a link, found holding as much of it as fits.
int FindLinkBelow(const char *path, const char *const *bases, int count, AttributesReader read, void *context,
                  char *found, size_t capacity);

#endif
