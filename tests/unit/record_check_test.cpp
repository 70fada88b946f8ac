// Checking the records of a written package, as "scrpack verify" and
// "scrpack extract" do: sound blocks give their files back, also when they
// end on zero fill, and every kind of damage is caught with its reason.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

#include "scrpack/ansi_text.h"
#include "scrpack/compress.h"
#include "scrpack/file_io.h"
#include "scrpack/opened_package.h"
#include "scrpack/package_writer.h"
#include "scrpack/record_check.h"
#include "scrpack/stub_layout.h"
#include "sample_corpus.h"
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
        EXPECT_EQ(check.zeroFillBits, 0u) << i;
    }
}

TEST(RecordCheck, BlockCutOfItsTrailingZeroBytesExpandsOnZeroFill)
{
    // A file that ends on a run ends on a match one byte back, whose
    // position code is all zero bits: its block ends on a zero byte, which
    // another encoder may leave off, as the decoder supplies zero bits past
    // the block's end.
    PackageInput spec = Package();
    Bytes &content = spec.files[1].content;
    content.insert(content.end(), 200, 'z');
    BuiltPackage built = Build(spec);
    const FileRecord record = built.records[1];
    size_t zeros = 0;
    while (built.bytes[record.dataOffset + record.storedSize - 1 - zeros] == 0)
        zeros++;
    ASSERT_GT(zeros, 0u);

    PackageOnDisk cut(WithRecord(built, spec, 1, record.storedSize - (uint32_t)zeros, record.originalSize,
                                 record.dataOffset));
    Bytes got;
    RecordCheck check = cut.Check(1, &got);
    EXPECT_TRUE(check.sound) << check.problem;
    EXPECT_GT(check.zeroFillBits, 0u);
    EXPECT_LE(check.zeroFillBits, 8 * zeros);
    EXPECT_TRUE(got == content);
    EXPECT_TRUE(cut.Check(2).sound) << "the next record is read afresh";

    // Cut by a byte that was not zero, the block still gives its full size
    // to the installer, from zero bits where that byte's bits were: the
    // check can't tell, and passes on what the installer writes.
    PackageOnDisk shorter(WithRecord(built, spec, 1, record.storedSize - (uint32_t)zeros - 1, record.originalSize,
                                     record.dataOffset));
    check = shorter.Check(1, &got);
    EXPECT_TRUE(check.sound) << check.problem;
    EXPECT_EQ(got.size(), content.size());
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
    Bytes cut(built.bytes.begin(), built.bytes.end() - 10);
    Case cases[] = {
        // The code runs dry long before 2 GB: the check stops once it has
        // taken more zero fill than an encoder could have left off, and
        // does not make up the rest from zero bits.
        {"original size far too large",
         WithRecord(built, spec, 3, audio.storedSize, 0x7FFF0000u, audio.dataOffset), 3,
         "more than 65536 bytes past the end of the block without giving its 2147418112 bytes"},
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
