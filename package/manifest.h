// Reading the package manifest from a package file: the installer's own
// (engine/own_file.h finds it), or any other.
#ifndef PACKAGE_MANIFEST_H
#define PACKAGE_MANIFEST_H

#include "package/package_format.h"
#include "package/platform.h"

// Opens the package file at path and returns a handle positioned at the
// manifest's first byte, or HFILE_ERROR; the caller closes it.  Follows the
// PE headers (taking the optional header as optionalHeaderSize bytes) and
// the first entry at every level of the resource tree to the manifest; the
// first type must be "LASTRES".
HFILE OpenManifestFile(const char *path, unsigned optionalHeaderSize);

// From the manifest's first byte: fills the 260-byte buffer with the name
// field, always leaving it zero-terminated.  Leaves name as it was when the
// field can't be reached.
void ReadScreenSaverNameAt(HFILE manifest, char *name);

// Reads exactly count bytes at the current position; 0 on a short read.
int ReadExact(HFILE file, void *buffer, UINT count);

// From the manifest's first byte: reads the 16-bit licenseLength, leaving
// the handle at the licence text.  Returns 0 on a short read.
int ReadLicenseLength(HFILE manifest, UINT *length);

// From the manifest's first byte: reads licenseLength and skips the text.
// Returns 1 when the length was read and the skip succeeded.
int SkipLicense(HFILE manifest);

// From the manifest's first byte: skips licence and name and reads
// firstFileNumber, leaving the handle at the first file record.
int SkipToFileRecords(HFILE manifest, uint16_t *firstFileNumber);

// Reads the next 28-byte record.  A record cut short by the end of the file
// comes back as the terminator (all zero): the walk ends there.  Returns 1
// for a record to process and 0 for the terminator.
int ReadFileRecord(HFILE manifest, FileRecord *record);

// Installed size of a record: originalSize, or storedSize when stored.
uint32_t InstalledSize(const FileRecord *record);

#endif
