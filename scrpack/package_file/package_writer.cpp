// BuildPackage: the manifest and the blocks behind the stub.
#include "scrpack/package_file/package_writer.h"

#include <algorithm>
#include <cstring>

#include "package/integrity.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/pe/stub_layout.h"

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

// Chooses how a file is carried and fills its record's sizes.
static void PackFile(const PackedFile &file, const Compressor &compress, bool storeOnly, FileRecord *record,
                     Bytes *block)
{
    if (!storeOnly && !file.store && compress && file.content.size() < PACKAGE_OFFSET_LIMIT) {
        Bytes packed = compress(file.content);
        if (!packed.empty() && packed.size() < file.content.size()) {
            record->storedSize = (uint32_t)packed.size();
            record->originalSize = (uint32_t)file.content.size();
            *block = std::move(packed);
            return;
        }
    }
    record->storedSize = (uint32_t)file.content.size();
    record->originalSize = 0;
    *block = file.content;
}

// The integrity record behind the last block: the CRC-32 of every byte
// before it, the fields that signing changes read as zeros.
static void AppendIntegrityRecord(Bytes &out)
{
    SigningFields fields;
    uint32_t peHeader = LoadLe32(out, kDosLfanewOffset);
    FindSigningFields(peHeader, out.data() + peHeader, out.size() - peHeader, &fields);
    // The fields lie in the headers: only those are copied to be zeroed.
    size_t headers = 0;
    for (uint32_t at : {fields.checksumAt + 4, fields.certificateEntryAt + kCertificateEntrySize})
        if (at < kNoField)
            headers = std::max<size_t>(headers, std::min<size_t>(at, out.size()));
    Bytes zeroed(out.begin(), out.begin() + (ptrdiff_t)headers);
    ZeroSigningFields(zeroed.data(), zeroed.size(), 0, &fields);
    Crc32Table table;
    InitCrc32Table(&table);
    uint32_t crc = UpdateCrc32(&table, 0, zeroed.data(), zeroed.size());
    crc = UpdateCrc32(&table, crc, out.data() + headers, out.size() - headers);
    IntegrityRecord record = {(uint32_t)out.size(), crc};
    unsigned char raw[kIntegrityRecordSize];
    EncodeIntegrityRecord(&record, raw);
    out.insert(out.end(), raw, raw + sizeof raw);
}

// The limits of the format on the texts and the data files' numbers.
static bool CheckTexts(const PackageInput &spec, std::string *error)
{
    if (spec.license.size() > kMaxLicenseLength)
        return Fail(error, "the licence text is " + std::to_string(spec.license.size()) +
                               " bytes; at most 65535 fit");
    // The licence dialog shows the text up to its first zero byte.
    if (spec.license.find('\0') != std::string::npos)
        return Fail(error, "the licence text contains a zero byte");
    if (spec.name.size() > kMaxNameLength || spec.name.find('\0') != std::string::npos)
        return Fail(error, "the name does not fit the 260-byte name field");
    size_t dataFiles = spec.files.size() > kRecordFirstMedia ? spec.files.size() - kRecordFirstMedia : 0;
    if (dataFiles && spec.firstFileNumber + (dataFiles - 1) > 0xFFFF)
        return Fail(error, "serial numbers of the data files would pass 65535");
    return true;
}

// Packs every file into its block and fills its record, the blocks
// following one another from dataStart up to *dataEnd.
static bool PackFiles(const PackageInput &spec, const Compressor &compress, uint64_t dataStart,
                      std::vector<FileRecord> *records, std::vector<Bytes> *blocks, uint64_t *dataEnd,
                      std::string *error)
{
    uint64_t &cursor = *dataEnd = dataStart;
    uint64_t installedBytes = 0;
    blocks->assign(spec.files.size(), Bytes());
    records->assign(spec.files.size(), FileRecord());
    for (size_t i = 0; i < spec.files.size(); i++) {
        const PackedFile &file = spec.files[i];
        // A stored size of 0 is the terminator: an empty file would end the
        // table and every later file would be lost.
        if (file.content.empty())
            return Fail(error, file.label + " is empty; a package cannot carry an empty file");
        if (file.content.size() >= PACKAGE_OFFSET_LIMIT)
            return Fail(error, file.label + " is 2 GiB or larger");
        FileRecord &record = (*records)[i];
        PackFile(file, compress, spec.storeOnly, &record, &(*blocks)[i]);
        std::memcpy(record.nameTail, file.nameTail, sizeof record.nameTail);
        if (i == kRecordScreenSaver)
            MarkIntegrityRecord(record.nameTail);
        record.dataOffset = (uint32_t)cursor;
        cursor += record.storedSize;
        // The whole file, its integrity record included, stays below
        // 2 GiB, so every offset the installer seeks to fits its signed
        // 32-bit positions.
        if (cursor + kIntegrityRecordSize > PACKAGE_OFFSET_LIMIT)
            return Fail(error, "the package would be larger than 2 GiB");
        installedBytes += file.content.size();
    }
    // The disk-space check adds the installed sizes in 32 bits.
    if (installedBytes > 0xFFFFFFFFull)
        return Fail(error, "the files add up to 4 GiB or more");
    return true;
}

// The manifest: the licence, the name field, the first file number, the
// records, then the all-zero terminator.
static void AppendManifest(const PackageInput &spec, const std::vector<FileRecord> &records, Bytes &out)
{
    AppendLe16(out, (uint16_t)spec.license.size());
    out.insert(out.end(), spec.license.begin(), spec.license.end());
    size_t nameField = out.size();
    out.resize(nameField + kNameFieldSize, 0);
    std::memcpy(&out[nameField], spec.name.data(), spec.name.size());
    AppendLe16(out, spec.firstFileNumber);
    for (size_t i = 0; i <= records.size(); i++) {
        unsigned char raw[kFileRecordSize] = {};
        if (i < records.size())
            EncodeFileRecord(&records[i], raw);
        out.insert(out.end(), raw, raw + sizeof raw);
    }
}

bool BuildPackage(const PackageInput &spec, const Compressor &compress, BuiltPackage *package, std::string *error)
{
    StubLayout layout;
    std::string why;
    // An installer packaged from a stub serves as a stub too: its own
    // checksum counts as unset, as the package gets a new one.
    Bytes stub = spec.stub;
    PeImage pe;
    if (ParsePeImage(stub, &pe, nullptr))
        StoreLe32(stub, pe.checksumOffset, 0);
    if (!CheckStubLayout(stub, &layout, &why))
        return Fail(error, "unusable installer stub: " + why);
    if (!CheckTexts(spec, error))
        return false;
    uint64_t dataStart = layout.manifestOffset + ManifestSize(spec.license.size(), spec.files.size() + 1);
    std::vector<Bytes> blocks;
    std::vector<FileRecord> records;
    uint64_t dataEnd;
    if (!PackFiles(spec, compress, dataStart, &records, &blocks, &dataEnd, error))
        return false;

    Bytes &out = package->bytes;
    out.assign(stub.begin(), stub.begin() + (ptrdiff_t)layout.manifestOffset);
    out.reserve((size_t)dataEnd);
    AppendManifest(spec, records, out);
    for (const Bytes &block : blocks)
        out.insert(out.end(), block.begin(), block.end());
    AppendIntegrityRecord(out);
    // The PE checksum covers every byte of the file, so "scrpack verify"
    // and "extract" tell a damaged package from an intact one.  A function
    // of the bytes alone: the package stays reproducible.
    PeChecksum sum(pe.checksumOffset);
    sum.Add(out.data(), out.size());
    StoreLe32(out, pe.checksumOffset, sum.Finish());

    package->manifestOffset = layout.manifestOffset;
    package->optionalHeaderSize = layout.optionalHeaderSize;
    package->records = records;
    return true;
}
