// Checking a written package, as "scrpack verify" and "scrpack extract"
// do and, for its integrity record, as the installer does: sound blocks
// give their files back, and every kind of damage is caught with its
// reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

#include "package/decoder_state.h"
#include "package/integrity.h"
#include "sample_corpus.h"
#include "scrpack/codec/compress.h"
#include "scrpack/package_file/opened_package.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/package_file/record_check.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "scrpack/text/ansi_text.h"
#include "synthetic_pe.h"

namespace {

class PackageOnDisk {
  public:
    explicit PackageOnDisk(const Bytes &bytes)
    {
        char name[] = "/tmp/record_check_test-XXXXXX";
        close(mkstemp(name));
        path = name;
        std::string error;
        EXPECT_TRUE(ReplaceFile(path, bytes, 0644, &error)) << error;
        EXPECT_TRUE(package.Open(path, &error)) << error;
    }
    ~PackageOnDisk() { unlink(path.c_str()); }

    // Checks record index, collecting what it would install.
    RecordCheck Check(size_t index, Bytes *content = nullptr) const
    {
        Bytes ignored;
        Bytes *into = content ? content : &ignored;
        into->clear();
        return CheckRecord(package.file(), package.contents().records[index], [into](const uint8_t *data, size_t size) {
            into->insert(into->end(), data, data + size);
            return true;
        });
    }

    std::string path;
    OpenedPackage package;
};

PackedFile Sample(const std::string &label, Bytes content, const char *extension = nullptr)
{
    PackedFile file;
    file.label = label;
    file.content = std::move(content);
    std::string error;
    if (extension)
        EXPECT_TRUE(MakeNameTail(std::string("f") + extension, ' ', file.nameTail, &error)) << error;
    else
        MakeFixedNameTail(file.nameTail);
    return file;
}

// Compressed program, text and a file of several reads and rebuilds, a
// stored random file, and a file kept stored on request.
PackageInput Package()
{
    PackageInput spec;
    spec.stub = BuildStubLikePe(false);
    std::string error;
    EXPECT_TRUE(FixStubLayout(&spec.stub, &error)) << error;
    spec.name = "Aurora";
    spec.firstFileNumber = 1;
    spec.files.push_back(Sample("saver", MakeSample(SampleKind::Program, 30000)));
    spec.files.push_back(Sample("data", MakeSample(SampleKind::Text, 5000)));
    spec.files.push_back(Sample("uninstaller", MakeSample(SampleKind::Random, 3000)));
    spec.files.push_back(Sample("song", MakeSample(SampleKind::Audio, 120000), ".wav"));
    spec.files.push_back(Sample("kept", MakeSample(SampleKind::Text, 4000), ".txt"));
    spec.files.back().store = true;
    return spec;
}

BuiltPackage Build(const PackageInput &spec)
{
    BuiltPackage built;
    std::string error;
    Compressor compress = [](const Bytes &content) { return CompressBlock(content.data(), content.size()); };
    EXPECT_TRUE(BuildPackage(spec, compress, &built, &error)) << error;
    return built;
}

// The package with record index's fields changed.
Bytes WithRecord(const BuiltPackage &built, const PackageInput &spec, size_t index, uint32_t storedSize,
                 uint32_t originalSize, uint32_t dataOffset)
{
    Bytes bytes = built.bytes;
    size_t record = built.manifestOffset + kManifestFixedSize + spec.license.size() + kFileRecordSize * index;
    StoreLe32(bytes, record, dataOffset);
    StoreLe32(bytes, record + 4, storedSize);
    StoreLe32(bytes, record + 8, originalSize);
    return bytes;
}

} // namespace

TEST(RecordCheck, SoundPackageGivesBackEveryFileAndUsesEveryBlockByte)
{
    PackageInput spec = Package();
    BuiltPackage built = Build(spec);
    ASSERT_EQ(built.records.size(), 5u);
    std::vector<bool> packed;
    for (const FileRecord &record : built.records)
        packed.push_back(record.originalSize != 0);
    EXPECT_EQ(packed, (std::vector<bool>{true, true, false, true, false}));

    PackageOnDisk disk(built.bytes);
    EXPECT_TRUE(disk.package.problems().empty());
    EXPECT_EQ(disk.package.DisplayName(4), "FILE0002.TXT");
    for (size_t i = 0; i < built.records.size(); i++) {
        Bytes content;
        RecordCheck check = disk.Check(i, &content);
        EXPECT_TRUE(check.sound) << i << ": " << check.problem;
        EXPECT_EQ(check.produced, spec.files[i].content.size()) << i;
        EXPECT_TRUE(content == spec.files[i].content) << i;
        // Our encoder ends each block with its last code: no byte of it is
        // left over, nor missing, so the bit count is exact.
        EXPECT_EQ(check.unusedBytes, 0u) << i;
    }
}

TEST(RecordCheck, BlockWhoseCodeRunsPastItsEndIsDamaged)
{
    // A file that ends on a run ends on a match one byte back, whose
    // position code is all zero bits: its block ends on zero bytes.  Cut of
    // up to two of them (another encoder may leave them off) it still
    // expands whole, from the zero bits the decoder supplies past its end;
    // cut further, or anywhere else, it is damaged.
    PackageInput spec = Package();
    Bytes &content = spec.files[1].content;
    content.insert(content.end(), 200, 'z');
    BuiltPackage built = Build(spec);
    const FileRecord record = built.records[1];
    size_t zeros = 0;
    while (built.bytes[record.dataOffset + record.storedSize - 1 - zeros] == 0)
        zeros++;
    ASSERT_GT(zeros, 0u);
    const size_t allowed = std::min<size_t>(zeros, kMaxFillBits / 8);
    for (size_t cut : {allowed, zeros + 1, zeros + 3, (size_t)record.storedSize / 2}) {
        PackageOnDisk disk(WithRecord(built, spec, 1, record.storedSize - (uint32_t)cut, record.originalSize,
                                      record.dataOffset));
        Bytes got;
        RecordCheck check = disk.Check(1, &got);
        EXPECT_EQ(check.sound, cut == allowed) << cut << ": " << check.problem;
        if (check.sound)
            EXPECT_TRUE(got == content);
        else
            EXPECT_NE(check.problem.find("bits past the end of the block"), std::string::npos) << check.problem;
        EXPECT_TRUE(disk.Check(2).sound) << "the next record is read afresh";
    }
}

TEST(RecordCheck, SizesAndOffsetsTheInstallerCannotUse)
{
    PackageInput spec = Package();
    BuiltPackage built = Build(spec);
    const FileRecord audio = built.records[3];
    struct Case {
        const char *what;
        Bytes package;
        size_t index;
        const char *reason;
    };
    Bytes cut(built.bytes.begin(), built.bytes.end() - 10 - kIntegrityRecordSize);
    Case cases[] = {
        // The code runs dry long before 2 GB: the check stops at its next
        // pump step and does not make up the rest from zero bits.
        {"original size far too large",
         WithRecord(built, spec, 3, audio.storedSize, 0x7FFF0000u, audio.dataOffset), 3,
         "bits past the end of the block without giving its 2147418112 bytes"},
        {"original size above 2^31 - 1",
         WithRecord(built, spec, 3, audio.storedSize, 0x80000001u, audio.dataOffset), 3, "above 2147483647"},
        {"block inside the manifest",
         WithRecord(built, spec, 3, audio.storedSize, audio.originalSize, (uint32_t)built.manifestOffset + 4), 3,
         "inside the installer or its manifest"},
        {"block past the end of the file", cut, 4, "10 bytes past the end of the file"},
    };
    for (const Case &c : cases) {
        PackageOnDisk disk(c.package);
        Bytes content;
        RecordCheck check = disk.Check(c.index, &content);
        EXPECT_FALSE(check.sound) << c.what;
        EXPECT_NE(check.problem.find(c.reason), std::string::npos) << c.what << ": " << check.problem;
        EXPECT_LT(content.size(), 2u * 1024 * 1024) << c.what;
    }

    // The package as a whole: a table cut short, too few records.
    Bytes table(built.bytes.begin(), built.bytes.begin() + (ptrdiff_t)(built.manifestOffset + kManifestFixedSize + 30));
    PackageOnDisk shortTable(table);
    ASSERT_EQ(shortTable.package.problems().size(), 2u);
    EXPECT_NE(shortTable.package.problems()[0].find("inside the record table"), std::string::npos);
    EXPECT_NE(shortTable.package.problems()[1].find("it holds 1"), std::string::npos);
}

TEST(RecordCheck, FailingSinkStopsTheExpansion)
{
    PackageInput spec = Package();
    BuiltPackage built = Build(spec);
    PackageOnDisk disk(built.bytes);
    size_t calls = 0;
    ByteSink full = [&calls](const uint8_t *, size_t) {
        calls++;
        errno = ENOSPC;
        return false;
    };
    for (size_t i : {3, 4}) { // packed, stored
        calls = 0;
        RecordCheck check = CheckRecord(disk.package.file(), disk.package.contents().records[i], full);
        EXPECT_FALSE(check.sound) << i;
        EXPECT_EQ(check.problem, std::strerror(ENOSPC)) << i;
        EXPECT_EQ(calls, 1u) << i << ": nothing is passed on after a failed write";
    }
}

TEST(IntegrityRecord, Crc32IsTheIeeeCrcInAnyPieces)
{
    Crc32Table table;
    InitCrc32Table(&table);
    const uint8_t *check = (const uint8_t *)"123456789";
    EXPECT_EQ(UpdateCrc32(&table, 0, check, 9), 0xCBF43926u);
    Bytes data = MakeSample(SampleKind::Random, 1000);
    uint32_t whole = UpdateCrc32(&table, 0, data.data(), data.size());
    // Signing fields in the middle of a piece, across two, at its edges.
    SigningFields fields = {13, 500, 0};
    Bytes zeroed = data;
    std::fill(zeroed.begin() + 13, zeroed.begin() + 17, 0);
    std::fill(zeroed.begin() + 500, zeroed.begin() + 508, 0);
    uint32_t expected = UpdateCrc32(&table, 0, zeroed.data(), zeroed.size());
    EXPECT_NE(expected, whole);
    for (size_t piece : {1, 3, 7, 8, 9, 15, 504, 1000}) {
        uint32_t crc = 0, plain = 0;
        for (size_t at = 0; at < data.size(); at += piece) {
            size_t size = std::min(piece, data.size() - at);
            Bytes part(data.begin() + (ptrdiff_t)at, data.begin() + (ptrdiff_t)(at + size));
            plain = UpdateCrc32(&table, plain, part.data(), size);
            ZeroSigningFields(part.data(), size, (uint32_t)at, &fields);
            crc = UpdateCrc32(&table, crc, part.data(), size);
        }
        EXPECT_EQ(crc, expected) << piece;
        EXPECT_EQ(plain, whole) << piece;
    }
}

// The check of a package file as the installer makes it.
IntegrityEnd CheckIntegrity(const Bytes &bytes, const BuiltPackage &built, IntegrityCheck *check)
{
    char name[] = "/tmp/integrity_test-XXXXXX";
    close(mkstemp(name));
    std::string error;
    EXPECT_TRUE(ReplaceFile(name, bytes, 0644, &error)) << error;
    IntegrityEnd end = CheckPackageIntegrity(name, built.optionalHeaderSize, check);
    unlink(name);
    return end;
}

TEST(IntegrityRecord, EveryDamageOfPackageOrRecordIsFound)
{
    BuiltPackage built = Build(Package());
    const Bytes &good = built.bytes;
    const FileRecord &last = built.records.back();
    const uint32_t at = last.dataOffset + last.storedSize; // the record, behind the last block
    ASSERT_EQ(good.size(), at + kIntegrityRecordSize);
    IntegrityRecord record;
    ASSERT_TRUE(DecodeIntegrityRecord(&good[at], at, &record));
    EXPECT_EQ(record.coveredLength, at);
    IntegrityCheck check;
    ASSERT_EQ(CheckIntegrity(good, built, &check), kIntegrityIntact);
    EXPECT_EQ(check.computedCrc, record.crc);

    // Signed afterwards: the checksum and the certificate entry change,
    // padding and a table follow.  Still intact.
    SigningFields fields;
    uint32_t pe = LoadLe32(good, kDosLfanewOffset);
    FindSigningFields(pe, &good[pe], good.size() - pe, &fields);
    Bytes signedPackage = good;
    signedPackage.resize((good.size() + 7) / 8 * 8, 0);
    StoreLe32(signedPackage, fields.certificateEntryAt, (uint32_t)signedPackage.size());
    StoreLe32(signedPackage, fields.certificateEntryAt + 4, 64);
    StoreLe32(signedPackage, fields.checksumAt, 0x12345678);
    signedPackage.resize(signedPackage.size() + 64, 0x5A);
    EXPECT_EQ(CheckIntegrity(signedPackage, built, &check), kIntegrityIntact);
    // The resource type's name damaged, so that no manifest is found: the
    // record is found at the file's end, or in front of the table.
    const char name[] = "L\0A\0S\0T\0R\0E\0S";
    auto type = std::search(good.begin(), good.end(), name, name + sizeof name - 1);
    ASSERT_NE(type, good.end());
    for (Bytes package : {good, signedPackage}) {
        package[(size_t)(type - good.begin())] ^= 1;
        EXPECT_EQ(CheckIntegrity(package, built, &check), kIntegrityDamaged);
        EXPECT_TRUE(check.found);
    }

    struct Case {
        const char *what;
        size_t offset; // a bit to flip, or the length to cut to
        bool cut;
    };
    const Case cases[] = {
        {"the stub's code", 0x200, false},
        {"e_lfanew", kDosLfanewOffset, false},
        {"the manifest's name", built.manifestOffset + 2, false},
        {"the mark in the manifest", built.manifestOffset + kManifestFixedSize + 12 + kIntegrityMarkerOffset + 1,
         false},
        {"a record's size", built.manifestOffset + kManifestFixedSize + 4, false},
        {"a packed block", built.records[3].dataOffset + 100, false},
        {"the last byte of the last block", at - 1, false},
        {"the record's tag", at, false},
        {"the record's version", at + 4, false},
        {"the record's size", at + 6, false},
        {"the record's length, claiming more than the file", at + 8 + 3, false},
        {"the record's CRC", at + 12, false},
        {"cut by one byte", good.size() - 1, true},
        {"cut before the record", at, true},
        {"cut to half", good.size() / 2, true},
        {"cut inside the record table", built.manifestOffset + kManifestFixedSize + kFileRecordSize + 10, true},
    };
    for (const Case &c : cases) {
        Bytes damaged(good.begin(), good.begin() + (ptrdiff_t)(c.cut ? c.offset : good.size()));
        if (!c.cut)
            damaged[c.offset] ^= 0x01;
        EXPECT_EQ(CheckIntegrity(damaged, built, &check), kIntegrityDamaged) << c.what;
    }
    // Two flips whose changes to a 16-bit sum may cancel out.
    Bytes twoFlips = good;
    twoFlips[built.records[3].dataOffset + 6] ^= 1;
    twoFlips[built.records[3].dataOffset + 8] ^= 1;
    EXPECT_EQ(CheckIntegrity(twoFlips, built, &check), kIntegrityDamaged);

    // An older package: no mark, no record.
    Bytes older(good.begin(), good.begin() + at);
    size_t mark = built.manifestOffset + kManifestFixedSize + 12 + kIntegrityMarkerOffset;
    std::memcpy(&older[mark], "     ", 5);
    EXPECT_EQ(CheckIntegrity(older, built, &check), kIntegrityNoRecord);
    EXPECT_FALSE(check.found);
}
