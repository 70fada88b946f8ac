// Whether a package is signed, as "scrpack list", "verify" and "build"
// report it.  An Authenticode signature is a certificate table at the end
// of the file that the PE security directory entry points at (its
// "address" is a file offset); the signer pads the file to eight bytes
// first.  The installer never reads past its last block, so the table may
// follow it, and nothing else should.
#ifndef SCRPACK_PE_SIGNATURE_STATUS_H
#define SCRPACK_PE_SIGNATURE_STATUS_H

#include <cstdint>
#include <string>
#include <vector>

#include "package/integrity.h"

struct SignatureStatus {
    bool isSigned = false;   // a well-formed certificate table after the last block
    uint64_t tableOffset = 0; // the security directory entry, as stored
    uint64_t tableSize = 0;
    uint64_t fileSize = 0;
    uint64_t packageEnd = 0;  // end of the last block (or of the record table)
    uint32_t storedChecksum = 0;
    uint32_t computedChecksum = 0; // what the file sums to
    size_t checksumOffset = 0;
    // The integrity record, checked as the installer checks it.
    IntegrityEnd crcEnd = kIntegrityNoRecord;
    IntegrityCheck crc = {};
    // Faults that leave every record readable, one line each: bytes after
    // the last block that are not a certificate table, a security entry
    // that points elsewhere, a signed file without a PE checksum.  A wrong
    // checksum is damage (CheckFileIntegrity).
    std::vector<std::string> warnings;
};

// Reads the security directory entry, the bytes behind the package's data
// (its integrity record counted as data), the PE checksum of the file and
// the CRC-32 of its integrity record.  Fails only when the file can't be read
// or is no PE image.
bool ReadSignatureStatus(const std::string &path, uint64_t packageEnd, SignatureStatus *status,
                         std::string *error);

// The same on a file already open for reading.
bool ReadSignatureStatusOf(int fd, const std::string &path, uint64_t packageEnd, SignatureStatus *status,
                           std::string *error);

// What follows "signed: ": "no", or "yes, Authenticode certificate table
// of N bytes at offset X after the last block; PE checksum 0x... correct".
std::string DescribeSignature(const SignatureStatus &status);

// What the PE checksum and the CRC-32 tell of the whole file.  Every
// package scrpack builds carries both; an older package or another
// packer's may carry neither.  Damaged when either fails, intact when one
// is there and none fails.
enum class FileIntegrity { NoChecksum, Intact, Damaged };
FileIntegrity CheckFileIntegrity(const SignatureStatus &status);

// One line on it: "intact (CRC-32 0x... over the package, PE checksum
// 0x... over the whole file)", "no checksum (...)" or "damaged: " and
// what failed.
std::string DescribeIntegrity(const SignatureStatus &status);

// What was checked, for the last line of "verify": "CRC-32 and PE
// checksum", "PE checksum", ...; empty when neither is there.
std::string CheckedSums(const SignatureStatus &status);

// The PE image checksum of a file's bytes (the checksum field counted as
// zero), as the system's CheckSumMappedFile computes it.
class PeChecksum {
public:
    explicit PeChecksum(size_t checksumOffset) : skip_(checksumOffset) {}
    void Add(const uint8_t *data, size_t size);
    uint32_t Finish() const;

private:
    size_t skip_;
    uint64_t position_ = 0;
    uint32_t sum_ = 0;
    int pendingLow_ = -1; // the first byte of a word split between calls
};

// Writes the right PE checksum into the file when it holds another one
// (the field is outside the Authenticode hash, so a signature stays
// valid).  Sets *changed when it wrote.
bool FixPeChecksum(const std::string &path, bool *changed, std::string *error);

#endif
