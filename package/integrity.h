// The package's integrity record (package_format.h): the CRC-32 that
// scrpack writes behind the last block, and the check of a package file
// against it, which the installer runs on its own file before it does
// anything else and "scrpack verify" and "extract" run too.
#ifndef PACKAGE_INTEGRITY_H
#define PACKAGE_INTEGRITY_H

#include <stddef.h>
#include <stdint.h>

#include "package/crc32.h"

// Where the fields that signing changes lie in a file; kNoField for none.
enum : uint32_t { kNoField = 0xFFFFFF00u }; // past every offset a package has
struct SigningFields {
    uint32_t checksumAt;         // the PE checksum, 4 bytes
    uint32_t certificateEntryAt; // the certificate table's directory entry, 8 bytes
    uint32_t certificateTableAt; // the table itself, from that entry (0: none)
};

// Finds the signing fields from the PE header at offset peHeader, whose
// first peSize bytes (from the signature on) are in pe: the checksum's
// place is the same in both formats, the directory entry's follows from
// the optional header's magic.
void FindSigningFields(uint32_t peHeader, const uint8_t *pe, size_t peSize, SigningFields *fields);

// Zeroes the bytes of the signing fields among data, which stands at
// offset of the package: the CRC-32 of the record takes them as zeros.
void ZeroSigningFields(uint8_t *data, size_t size, uint32_t offset, const SigningFields *fields);

enum IntegrityEnd {
    kIntegrityIntact = 0,   // the record was found and the CRC matches
    kIntegrityNoRecord = 1, // an unmarked package without a record: an older one
    kIntegrityDamaged = 2,  // a wrong CRC, a file shorter than the record says, or a marked package
                            // without it
};

// What the check found, for a report.
struct IntegrityCheck {
    uint32_t fileSize;
    int marked;             // the manifest says the package carries the record
    int manifestCut;        // the file ends inside the manifest
    int found;              // a record was found
    uint32_t coveredLength; // where it stands
    uint32_t storedCrc;
    uint32_t computedCrc;
};

// Checks the package file at path, reading its manifest as OpenManifestFile
// does and then every byte before the record once, in chunks of a fixed
// buffer.  The record is looked for where the records put it, and, should
// the headers or the manifest be damaged, at the file's end and in front of
// a certificate table.  A file that can't be opened counts as an older
// package: its readers meet the same and go on as they do without one.
IntegrityEnd CheckPackageIntegrity(const char *path, unsigned optionalHeaderSize, IntegrityCheck *check);

#endif
