// The package's signature: the certificate table behind the last block.
#include "scrpack/pe/signature_status.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "package/package_format.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/system/file_io.h"
#include "scrpack/system/system.h"

namespace {

// WIN_CERTIFICATE: dwLength, wRevision, wCertificateType, then the data.
const uint32_t kCertificateHeaderSize = 8;
const uint16_t kCertificateRevision2 = 0x0200;
const uint16_t kCertificateTypePkcsSignedData = 0x0002;
// A real table is a few KiB; one that claims more is not read whole.
const uint64_t kMaxTableSize = 16u << 20;
// The signer pads the file to eight bytes before the table.
const uint64_t kTableAlignment = 8;

bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

// "N bytes after the last block are not a certificate table".
std::string NotATable(uint64_t count)
{
    return ByteCount(count) + " after the last block " + (count == 1 ? "is" : "are") + " not a certificate table";
}

// Whether table holds one or more whole WIN_CERTIFICATE entries, each
// eight-byte aligned, at least one of them Authenticode's PKCS#7 data.
bool WellFormedTable(const Bytes &table)
{
    uint64_t at = 0;
    bool pkcs7 = false;
    while (at < table.size()) {
        if (!InRange(table.size(), at, kCertificateHeaderSize))
            return false;
        uint32_t length = LoadLe32(table, (size_t)at);
        uint16_t revision = LoadLe16(table, (size_t)at + 4);
        uint16_t type = LoadLe16(table, (size_t)at + 6);
        if (length <= kCertificateHeaderSize || !InRange(table.size(), at, length))
            return false;
        pkcs7 = pkcs7 || (revision == kCertificateRevision2 && type == kCertificateTypePkcsSignedData);
        at += AlignUp(length, kTableAlignment);
    }
    return pkcs7;
}

} // namespace

void PeChecksum::Add(const uint8_t *data, size_t size)
{
    for (size_t i = 0; i < size; i++, position_++) {
        if (pendingLow_ < 0) {
            pendingLow_ = data[i];
            continue;
        }
        uint64_t wordAt = position_ - 1;
        uint32_t word = (uint32_t)pendingLow_ | (uint32_t)data[i] << 8;
        pendingLow_ = -1;
        if (wordAt == skip_ || wordAt == skip_ + 2)
            continue;
        sum_ += word;
        sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    }
}

uint32_t PeChecksum::Finish() const
{
    uint32_t sum = sum_;
    if (pendingLow_ >= 0) {
        sum += (uint32_t)pendingLow_;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return sum + (uint32_t)position_;
}

namespace {

// The checksum field and the security directory entry, from the headers,
// and the integrity record, checked as the installer checks it; the
// record counts as the package's data.
bool ReadHeaderFields(int fd, const std::string &path, SignatureStatus *status, std::string *error)
{
    Bytes header;
    PeImage pe;
    if (!ReadOpenFileStart(fd, path, 65536, &header, error))
        return false;
    if (!ParsePeImage(header, &pe, error))
        return Fail(error, path + ": " + *error);
    status->checksumOffset = pe.checksumOffset;
    status->storedChecksum = LoadLe32(header, pe.checksumOffset);
    status->crcEnd = CheckPackageIntegrity(path.c_str(), pe.formatOptionalSize, &status->crc);
    // The record stands right behind the last block.
    if (status->crc.found && status->packageEnd != 0 && status->crc.coveredLength == status->packageEnd)
        status->packageEnd += kIntegrityRecordSize;
    if (pe.dataDirectoryCount > kDirectorySecurity) {
        status->tableOffset = LoadLe32(header, pe.dataDirectories + 8 * kDirectorySecurity);
        status->tableSize = LoadLe32(header, pe.dataDirectories + 8 * kDirectorySecurity + 4);
    }
    return true;
}

bool HasSecurityEntry(const SignatureStatus &status)
{
    return status.tableOffset != 0 || status.tableSize != 0;
}

// Appends the part of [from, to) that a chunk read at position holds.
void Keep(const std::vector<uint8_t> &chunk, uint64_t position, size_t got, uint64_t from, uint64_t to, Bytes *out)
{
    uint64_t low = std::max(from, position), high = std::min(to, position + got);
    if (low < high)
        out->insert(out->end(), chunk.begin() + (ptrdiff_t)(low - position), chunk.begin() + (ptrdiff_t)(high - position));
}

// One pass over the file: its size, its checksum, the bytes just behind
// the package's data (gap) and the certificate table.
bool ReadFilePass(int fd, const std::string &path, SignatureStatus *status, Bytes *gap, Bytes *table,
                  std::string *error)
{
    PeChecksum checksum(status->checksumOffset);
    uint64_t tableEnd = status->tableOffset + std::min(status->tableSize, kMaxTableSize);
    uint64_t gapEnd = status->packageEnd + kTableAlignment;
    uint64_t position = 0;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        long long got = ReadAt(fd, buffer.data(), buffer.size(), position);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Fail(error, path + ": read error");
        if (got == 0)
            break;
        checksum.Add(buffer.data(), (size_t)got);
        Keep(buffer, position, (size_t)got, status->packageEnd, gapEnd, gap);
        if (HasSecurityEntry(*status))
            Keep(buffer, position, (size_t)got, status->tableOffset, tableEnd, table);
        position += (uint64_t)got;
    }
    status->fileSize = position;
    status->computedChecksum = checksum.Finish();
    return true;
}

// Whether the security directory entry points at a certificate table
// behind the package's data; a warning when it points elsewhere.
void JudgeSecurityEntry(const Bytes &table, SignatureStatus *status)
{
    uint64_t start = status->tableOffset, end = status->tableOffset + status->tableSize;
    std::string where = "the security directory points at bytes " + std::to_string(start) + " to " +
                        std::to_string(end);
    if (end > status->fileSize)
        status->warnings.push_back(where + ", past the end of the file (" + std::to_string(status->fileSize) + ")");
    else if (start < status->packageEnd)
        status->warnings.push_back(where + ", inside the package's data (up to " +
                                   std::to_string(status->packageEnd) + "): a signature made before packaging");
    else if (status->tableSize > kMaxTableSize || !WellFormedTable(table))
        status->warnings.push_back(where + ", which are not an Authenticode certificate table");
    else
        status->isSigned = true;
}

// Warnings for bytes after the package's data that are neither the
// signer's padding nor the certificate table.
void JudgeTrailingBytes(const Bytes &gap, SignatureStatus *status)
{
    uint64_t fileSize = status->fileSize;
    uint64_t dataEnd = std::min(status->packageEnd, fileSize);
    if (!status->isSigned) {
        if (fileSize > dataEnd)
            status->warnings.push_back(NotATable(fileSize - dataEnd));
        return;
    }
    // Between the last block and the table only the signer's padding:
    // fewer than eight zero bytes.
    uint64_t end = status->tableOffset + status->tableSize;
    uint64_t between = status->tableOffset - dataEnd;
    bool padding = between < kTableAlignment &&
                   std::all_of(gap.begin(), gap.begin() + (ptrdiff_t)between, [](uint8_t b) { return b == 0; });
    if (between && !padding)
        status->warnings.push_back(NotATable(between));
    if (end < fileSize)
        status->warnings.push_back(ByteCount(fileSize - end) + (fileSize - end == 1 ? " follows" : " follow") +
                                   " the certificate table");
}

} // namespace

bool ReadSignatureStatusOf(int fd, const std::string &path, uint64_t packageEnd, SignatureStatus *status,
                           std::string *error)
{
    *status = SignatureStatus();
    status->packageEnd = packageEnd;
    Bytes gap, table;
    if (!ReadHeaderFields(fd, path, status, error) || !ReadFilePass(fd, path, status, &gap, &table, error))
        return false;
    if (HasSecurityEntry(*status))
        JudgeSecurityEntry(table, status);
    JudgeTrailingBytes(gap, status);
    // A signer sets the checksum; a wrong one is damage, not a warning.
    if (status->isSigned && status->storedChecksum == 0)
        status->warnings.push_back("the PE checksum is " + Hex32(status->storedChecksum) + "; the file sums to " +
                                   Hex32(status->computedChecksum));
    return true;
}

bool ReadSignatureStatus(const std::string &path, uint64_t packageEnd, SignatureStatus *status, std::string *error)
{
    uint64_t size;
    int fd = OpenRegularFile(path, &size, error);
    if (fd < 0)
        return false;
    bool ok = ReadSignatureStatusOf(fd, path, packageEnd, status, error);
    CloseFile(fd);
    return ok;
}

FileIntegrity CheckFileIntegrity(const SignatureStatus &status)
{
    bool checksumWrong = status.storedChecksum != 0 && status.storedChecksum != status.computedChecksum;
    if (checksumWrong || status.crcEnd == kIntegrityDamaged)
        return FileIntegrity::Damaged;
    if (status.storedChecksum == 0 && status.crcEnd == kIntegrityNoRecord)
        return FileIntegrity::NoChecksum;
    return FileIntegrity::Intact;
}

// What is wrong with the integrity record, when the CRC-32 fails.
static std::string DescribeCrcDamage(const IntegrityCheck &crc)
{
    if (!crc.found && crc.manifestCut)
        return "the file ends inside its manifest";
    if (!crc.found)
        return "the manifest says the package carries a CRC-32 record, and there is none where it should be "
               "(the file is cut short, or the record is damaged)";
    if (crc.coveredLength > crc.fileSize)
        return "the file ends before the " + std::to_string(crc.coveredLength) + " bytes its CRC-32 covers";
    return "the CRC-32 is " + Hex32(crc.storedCrc) + "; the package's bytes give " + Hex32(crc.computedCrc);
}

std::string DescribeIntegrity(const SignatureStatus &status)
{
    bool checksumWrong = status.storedChecksum != 0 && status.storedChecksum != status.computedChecksum;
    if (status.crcEnd == kIntegrityDamaged)
        return "damaged: " + DescribeCrcDamage(status.crc);
    if (checksumWrong)
        return "damaged: the PE checksum is " + Hex32(status.storedChecksum) + "; the file sums to " +
               Hex32(status.computedChecksum);
    if (CheckFileIntegrity(status) == FileIntegrity::NoChecksum)
        return "no checksum (an older package, or another packer's): only its records can be checked";
    std::string parts;
    if (status.crcEnd == kIntegrityIntact)
        parts = "CRC-32 " + Hex32(status.crc.storedCrc) + " over the package";
    if (status.storedChecksum != 0)
        parts += (parts.empty() ? "" : ", ") + std::string("PE checksum ") + Hex32(status.storedChecksum) +
                 " over the whole file";
    return "intact (" + parts + ")";
}

std::string CheckedSums(const SignatureStatus &status)
{
    bool crc = status.crcEnd == kIntegrityIntact, checksum = status.storedChecksum != 0;
    return crc && checksum ? "CRC-32 and PE checksum" : crc ? "CRC-32" : checksum ? "PE checksum" : "";
}

std::string DescribeSignature(const SignatureStatus &status)
{
    if (!status.isSigned)
        return "no";
    return "yes, Authenticode certificate table of " + ByteCount(status.tableSize) + " at offset " +
           std::to_string(status.tableOffset) + " after the last block; PE checksum " + Hex32(status.storedChecksum) +
           (status.storedChecksum == status.computedChecksum ? " correct" : " wrong");
}

bool FixPeChecksum(const std::string &path, bool *changed, std::string *error)
{
    *changed = false;
    SignatureStatus status;
    if (!ReadSignatureStatus(path, 0, &status, error))
        return false;
    if (status.storedChecksum == status.computedChecksum)
        return true;
    int fd = OpenForUpdate(path);
    if (fd < 0)
        return Fail(error, path + ": " + std::strerror(errno));
    uint8_t field[4];
    for (int i = 0; i < 4; i++)
        field[i] = (uint8_t)(status.computedChecksum >> (8 * i));
    bool ok = WriteAt(fd, field, 4, status.checksumOffset) == 4;
    ok = CloseFile(fd) && ok;
    if (!ok)
        return Fail(error, path + ": cannot write the PE checksum");
    *changed = true;
    return true;
}
