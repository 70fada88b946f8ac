// The package's byte total, summed from the file records of real manifest
// files.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "flow/portable/rules.h"
#include "package/manifest.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/text/ansi_text.h"
#include "synthetic_pe.h"

namespace {

struct Record {
    uint32_t storedSize;
    uint32_t originalSize;
};

void PutU32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out.push_back((char)(value >> (8 * i)));
}

// A manifest: licence, name, firstFileNumber, the records and (unless cut)
// the all-zero terminator.
std::string Manifest(const std::vector<Record> &records, const std::string &licence = "")
{
    std::string out;
    out.push_back((char)(licence.size() & 0xFF));
    out.push_back((char)(licence.size() >> 8));
    out += licence;
    std::string name = "Aquarium";
    name.resize(kNameFieldSize, '\0');
    out += name;
    out += std::string("\x10\x00", 2);
    uint32_t offset = 0x1000;
    for (const Record &r : records) {
        PutU32(out, offset);
        PutU32(out, r.storedSize);
        PutU32(out, r.originalSize);
        out += ".TMP           ";
        out.push_back(' ');
        offset += r.storedSize;
    }
    out += std::string(kFileRecordSize, '\0');
    return out;
}

// Writes bytes to a temporary file and sums through a handle at the
// manifest: the file's start, or the manifest found in a whole package.
uint32_t Sum(const std::string &bytes, unsigned packageOptionalHeaderSize = 0)
{
    char path[] = "/tmp/sum-installed-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    close(fd);
    HFILE manifest = packageOptionalHeaderSize ? OpenManifestFile(path, packageOptionalHeaderSize)
                                               : _lopen(path, OF_READ | OF_SHARE_DENY_NONE);
    EXPECT_NE(manifest, HFILE_ERROR);
    uint32_t total = SumInstalledSizes(manifest);
    _lclose(manifest);
    unlink(path);
    return total;
}

// A package as scrpack lays it out behind a stub; the compressor stand-in
// halves every file, so originalSize and storedSize differ.
std::string Package(const std::vector<size_t> &sizes, bool storeOnly, const std::string &licence,
                    BuiltPackage *built)
{
    PackageInput spec;
    spec.stub = BuildStubLikePe(false);
    std::string error;
    EXPECT_TRUE(FixStubLayout(&spec.stub, &error)) << error;
    spec.name = "Aquarium";
    spec.license = licence;
    spec.storeOnly = storeOnly;
    for (size_t size : sizes) {
        PackedFile file;
        file.label = "file";
        file.content.assign(size, 'z');
        MakeFixedNameTail(file.nameTail);
        spec.files.push_back(file);
    }
    auto halve = [](const Bytes &content) { return Bytes(content.begin(), content.begin() + (ptrdiff_t)(content.size() / 2)); };
    EXPECT_TRUE(BuildPackage(spec, halve, built, &error)) << error;
    return std::string(built->bytes.begin(), built->bytes.end());
}

} // namespace

TEST(SumInstalledSizes, PackagesAsScrpackWritesThem)
{
    BuiltPackage built;
    std::string compressed = Package({3000, 120, 1500, 4444}, false, "Terms\r\n", &built);
    ASSERT_EQ(built.records.size(), 4u);
    EXPECT_NE(built.records[0].originalSize, 0u); // went through the compressor
    EXPECT_EQ(Sum(compressed, built.optionalHeaderSize), 3000u + 120 + 1500 + 4444);

    std::string stored = Package({3000, 120, 1500}, true, "", &built);
    EXPECT_EQ(built.records[0].originalSize, 0u);
    EXPECT_EQ(Sum(stored, built.optionalHeaderSize), 4620u);
}

TEST(SumInstalledSizes, CompressedCountOriginalStoredCountStored)
{
    EXPECT_EQ(Sum(Manifest({})), 0u);
    EXPECT_EQ(Sum(Manifest({{100, 0}})), 100u);
    EXPECT_EQ(Sum(Manifest({{100, 5000}})), 5000u);
    EXPECT_EQ(Sum(Manifest({{40000, 120000}, {300, 0}, {9000, 20000}, {777, 0}})), 120000u + 300 + 20000 + 777);
}

TEST(SumInstalledSizes, LicenceTextIsSkipped)
{
    // A licence text whose bytes look like records must not be counted.
    std::string licence(2000, '\x7F');
    EXPECT_EQ(Sum(Manifest({{10, 0}, {20, 30}}, licence)), 40u);
    EXPECT_EQ(Sum(Manifest({{10, 0}}, std::string(65535, 'L'))), 10u);
}

TEST(SumInstalledSizes, StopsAtTheTerminator)
{
    std::string bytes = Manifest({{10, 0}});
    // A record after the terminator is not counted.
    std::string extra;
    PutU32(extra, 0);
    PutU32(extra, 1000);
    PutU32(extra, 0);
    extra += std::string(16, ' ');
    EXPECT_EQ(Sum(bytes + extra), 10u);
    // A record with originalSize but no storedSize is the terminator too.
    std::string terminatorLike = Manifest({{10, 0}});
    terminatorLike.resize(terminatorLike.size() - kFileRecordSize);
    PutU32(terminatorLike, 0);
    PutU32(terminatorLike, 0);
    PutU32(terminatorLike, 5000);
    terminatorLike += std::string(16, ' ');
    PutU32(terminatorLike, 0);
    PutU32(terminatorLike, 99);
    PutU32(terminatorLike, 0);
    terminatorLike += std::string(16, ' ');
    EXPECT_EQ(Sum(terminatorLike), 10u);
}

TEST(SumInstalledSizes, CutShortManifestSumsTheWholeRecords)
{
    std::string bytes = Manifest({{10, 0}, {20, 0}, {40, 0}});
    bytes.resize(bytes.size() - kFileRecordSize); // no terminator
    EXPECT_EQ(Sum(bytes), 70u);
    bytes.resize(bytes.size() - 5); // the last record cut inside
    EXPECT_EQ(Sum(bytes), 30u);
    // Ends before firstFileNumber, or inside the name: nothing to sum.
    EXPECT_EQ(Sum(bytes.substr(0, kManifestFixedSize - 1)), 0u);
    EXPECT_EQ(Sum(bytes.substr(0, 100)), 0u);
    EXPECT_EQ(Sum(std::string("\x05", 1)), 0u);
    EXPECT_EQ(Sum(""), 0u);
}

TEST(SumInstalledSizes, TotalPast4GiBIsHeldAtTheLargestValue)
{
    // Exactly 2^32 - 1 is reached without saturating.
    EXPECT_EQ(Sum(Manifest({{100, 0x7FFFFFFFu}, {100, 0x7FFFFFFFu}, {1, 0}})), 0xFFFFFFFFu);
    // One more byte would wrap to 0: the total stays at 0xFFFFFFFF.
    EXPECT_EQ(Sum(Manifest({{100, 0x7FFFFFFFu}, {100, 0x7FFFFFFFu}, {2, 0}})), 0xFFFFFFFFu);
    EXPECT_EQ(Sum(Manifest({{100, 0x7FFFFFFFu}, {100, 0x7FFFFFFFu}, {100, 0x7FFFFFFFu}, {5, 0}})), 0xFFFFFFFFu);
    EXPECT_EQ(Sum(Manifest({{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}})), 0xFFFFFFFFu);
}
