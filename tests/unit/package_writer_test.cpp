// Package layout as scrpack writes it, read back through the installer's
// own manifest code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

#include "package/manifest.h"
#include "scrpack/codec/compress.h"
#include "scrpack/package_file/installed_paths.h"
#include "scrpack/package_file/package_reader.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/package_file/verify_package.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "scrpack/text/ansi_text.h"
#include "synthetic_pe.h"

namespace {

Bytes FixedStub(bool pe32plus = false)
{
    Bytes stub = BuildStubLikePe(pe32plus);
    std::string error;
    EXPECT_TRUE(FixStubLayout(&stub, &error)) << error;
    return stub;
}

PackedFile File(const std::string &label, size_t size, uint8_t seed, const char *extension = nullptr,
                char selector = ' ')
{
    PackedFile file;
    file.label = label;
    for (size_t i = 0; i < size; i++)
        file.content.push_back((uint8_t)(seed + i * 7));
    std::string error;
    if (extension) {
        EXPECT_TRUE(MakeNameTail(std::string("f") + extension, selector, file.nameTail, &error)) << error;
    } else {
        MakeFixedNameTail(file.nameTail);
    }
    return file;
}

PackageInput FourFiles()
{
    PackageInput spec;
    spec.stub = FixedStub();
    spec.name = "Aurora";
    spec.firstFileNumber = 16;
    spec.files.push_back(File("saver", 3000, 1));
    spec.files.push_back(File("data", 100, 2));
    spec.files.push_back(File("uninstaller", 2000, 3));
    spec.files.push_back(File("song", 500, 4, ".mid"));
    return spec;
}

// A stand-in encoder: halves a file (so it counts as smaller) and marks
// the block so tests can see which files went through it.
Bytes Halve(const Bytes &content)
{
    Bytes block(content.begin(), content.begin() + (ptrdiff_t)(content.size() / 2));
    block[0] = 0xCC;
    return block;
}

class TempFile {
  public:
    TempFile()
    {
        char name[] = "/tmp/package_writer_test-XXXXXX";
        int fd = mkstemp(name);
        close(fd);
        path = name;
    }
    ~TempFile() { unlink(path.c_str()); }
    std::string path;
};

PackageContents WriteAndRead(const BuiltPackage &built, const TempFile &file)
{
    std::string error;
    EXPECT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    PackageContents contents;
    EXPECT_TRUE(ReadPackage(file.path, &contents, &error)) << error;
    return contents;
}

std::string BuildError(const PackageInput &spec, const Compressor &compress = nullptr)
{
    BuiltPackage built;
    std::string error;
    EXPECT_FALSE(BuildPackage(spec, compress, &built, &error));
    return error;
}

} // namespace

TEST(PackageWriter, FourStoredFilesWithoutLicence)
{
    PackageInput spec = FourFiles();
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;

    StubLayout layout;
    ASSERT_TRUE(CheckStubLayout(spec.stub, &layout, &error));
    EXPECT_EQ(built.manifestOffset, layout.manifestOffset);
    PeImage pe;
    ASSERT_TRUE(ParsePeImage(built.bytes, &pe, &error));
    Bytes head(built.bytes.begin(), built.bytes.begin() + (ptrdiff_t)layout.manifestOffset);
    StoreLe32(head, pe.checksumOffset, 0);
    EXPECT_TRUE(std::equal(spec.stub.begin(), spec.stub.begin() + (ptrdiff_t)layout.manifestOffset, head.begin()));
    PeChecksum sum(pe.checksumOffset);
    sum.Add(built.bytes.data(), built.bytes.size());
    EXPECT_EQ(LoadLe32(built.bytes, pe.checksumOffset), sum.Finish());
    // 264 + 28 * 5 = 404 bytes of manifest, then the blocks back to back,
    // and the file ends with the integrity record.
    uint32_t offset = (uint32_t)layout.manifestOffset + 404;
    ASSERT_EQ(built.records.size(), 4u);
    for (size_t i = 0; i < 4; i++) {
        EXPECT_EQ(built.records[i].dataOffset, offset) << i;
        EXPECT_EQ(built.records[i].storedSize, spec.files[i].content.size());
        EXPECT_EQ(built.records[i].originalSize, 0u);
        EXPECT_TRUE(std::equal(spec.files[i].content.begin(), spec.files[i].content.end(),
                               built.bytes.begin() + offset));
        offset += built.records[i].storedSize;
    }
    EXPECT_EQ(built.bytes.size(), offset + kIntegrityRecordSize); // the integrity record last
    // The terminator is 28 zero bytes right before the first block.
    size_t terminator = layout.manifestOffset + 404 - 28;
    EXPECT_EQ(std::count(built.bytes.begin() + (ptrdiff_t)terminator, built.bytes.begin() + (ptrdiff_t)terminator + 28, 0),
              28);

    TempFile file;
    PackageContents contents = WriteAndRead(built, file);
    EXPECT_TRUE(contents.terminated);
    EXPECT_EQ(contents.license, "");
    EXPECT_EQ(contents.name, "Aurora");
    EXPECT_EQ(contents.firstFileNumber, 16);
    ASSERT_EQ(contents.records.size(), 4u);
    EXPECT_EQ(0, std::memcmp(contents.records.data(), built.records.data(), 4 * sizeof(FileRecord)));
    EXPECT_EQ(InstalledFileName(contents, 0), "Aurora.scr");
    EXPECT_EQ(InstalledFileName(contents, 1), "Aurora.dat");
    EXPECT_EQ(InstalledFileName(contents, 2), "UNINSTAL.EXE");
    EXPECT_EQ(InstalledFileName(contents, 3), "FILE0016.MID");
}

TEST(PackageWriter, InstallerReadsNameAndLicence)
{
    for (bool pe32plus : {false, true}) {
        PackageInput spec = FourFiles();
        spec.stub = FixedStub(pe32plus);
        spec.name = "Night Sky  "; // trailing spaces are the installer's to trim
        spec.license = std::string("Terms\r\nMore terms \xE9", 19);
        BuiltPackage built;
        std::string error;
        ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;
        EXPECT_EQ(built.records[0].dataOffset, built.manifestOffset + 264 + 19 + 28 * 5);

        TempFile file;
        PackageContents contents = WriteAndRead(built, file);
        EXPECT_EQ(contents.license, spec.license);
        EXPECT_EQ(contents.name, spec.name);

        // The installer's first reader, exactly as it runs in the product.
        char name[kNameFieldSize];
        std::memset(name, 'x', sizeof name);
        HFILE manifest = OpenManifestFile(file.path.c_str(), pe32plus ? 240 : 224);
        ASSERT_NE(manifest, HFILE_ERROR);
        ReadScreenSaverNameAt(manifest, name);
        _lclose(manifest);
        EXPECT_STREQ(name, "Night Sky  ");
    }
}

TEST(PackageWriter, CompressesOnlyWhatGetsSmaller)
{
    PackageInput spec = FourFiles();
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, Halve, &built, &error)) << error;
    for (size_t i = 0; i < 4; i++) {
        EXPECT_EQ(built.records[i].originalSize, spec.files[i].content.size());
        EXPECT_EQ(built.records[i].storedSize, spec.files[i].content.size() / 2);
        EXPECT_EQ(built.bytes[built.records[i].dataOffset], 0xCC);
    }
    EXPECT_EQ(built.bytes.size(), built.records[3].dataOffset + built.records[3].storedSize + kIntegrityRecordSize);

    // An encoder result that is not smaller (or empty) leaves the file stored.
    Compressor noGain = [](const Bytes &content) { return content.size() > 1000 ? content : Bytes(); };
    ASSERT_TRUE(BuildPackage(spec, noGain, &built, &error)) << error;
    for (size_t i = 0; i < 4; i++)
        EXPECT_EQ(built.records[i].originalSize, 0u) << i;

    spec.storeOnly = true;
    ASSERT_TRUE(BuildPackage(spec, Halve, &built, &error)) << error;
    for (size_t i = 0; i < 4; i++)
        EXPECT_EQ(built.records[i].originalSize, 0u) << i;
}

TEST(PackageWriter, GeneratedNamesFollowPrefixAndSerial)
{
    PackageInput spec = FourFiles();
    spec.firstFileNumber = 9998;
    spec.files.back() = File("a", 10, 1, ".mid", '_');
    spec.files.push_back(File("b", 10, 2, ".jpeg", '\0'));
    spec.files.push_back(File("c", 10, 3, "", ' '));
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;
    TempFile file;
    PackageContents contents = WriteAndRead(built, file);
    ASSERT_EQ(contents.records.size(), 6u);
    EXPECT_EQ(InstalledFileName(contents, 3), "JUK_9998.MID");
    EXPECT_EQ(InstalledFileName(contents, 4), "JUKE9999.JPEG");
    EXPECT_EQ(InstalledFileName(contents, 5), "FILE10000"); // five digits are not cut

    // The listing quotes a tail, so that its length shows; a tail from
    // another packer may hold what the quotes must escape.  The installed
    // name loses the trailing spaces and the characters no name can hold.
    FileRecord &record = contents.records[5];
    std::memcpy(record.nameTail, ".WAV  \0", 7);
    EXPECT_EQ(QuotedNameTail(record), "\".WAV  \"");
    EXPECT_EQ(InstalledFileName(contents, 5), "FILE10000.WAV");
    std::memcpy(record.nameTail, "a\"b\\c\x01\xE9 \0", 9);
    EXPECT_EQ(QuotedNameTail(record), "\"a\\\"b\\\\c\\x01\xE9 \"");
    EXPECT_EQ(InstalledFileName(contents, 5), "FILE10000a_b_c_\xE9");
}

TEST(PackageWriter, RepackagingAPackageGivesTheSameBytes)
{
    PackageInput spec = FourFiles();
    BuiltPackage first, second;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &first, &error)) << error;
    spec.stub = first.bytes;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &second, &error)) << error;
    EXPECT_EQ(first.bytes, second.bytes);
}

TEST(PackageWriter, PackageWithoutDataFilesAndLongestLicence)
{
    PackageInput spec = FourFiles();
    spec.files.resize(3);
    spec.firstFileNumber = 65535; // no data file uses it
    spec.license.assign(65535, 'L');
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;
    TempFile file;
    PackageContents contents = WriteAndRead(built, file);
    EXPECT_EQ(contents.license.size(), 65535u);
    EXPECT_EQ(contents.records.size(), 3u);
    EXPECT_TRUE(contents.terminated);
}

TEST(PackageWriter, RefusesWhatTheFormatCannotCarry)
{
    PackageInput spec = FourFiles();
    spec.license.assign(65536, 'L');
    EXPECT_NE(BuildError(spec).find("65535"), std::string::npos);

    spec = FourFiles();
    spec.license = std::string("cut\0here", 8);
    EXPECT_NE(BuildError(spec).find("zero byte"), std::string::npos);

    // An empty file would have a stored size of 0: the terminator.
    spec = FourFiles();
    spec.files[1].content.clear();
    EXPECT_NE(BuildError(spec).find("empty"), std::string::npos);

    spec = FourFiles();
    spec.firstFileNumber = 65535;
    spec.files.push_back(File("more", 10, 5, ".mid"));
    EXPECT_NE(BuildError(spec).find("65535"), std::string::npos);

    spec = FourFiles();
    spec.name.assign(260, 'n');
    EXPECT_NE(BuildError(spec).find("name"), std::string::npos);

    spec = FourFiles();
    spec.stub = BuildStubLikePe(); // not through the post-link step
    EXPECT_NE(BuildError(spec).find("stub"), std::string::npos);
}

TEST(PackageWriter, RefusesANameThatMakesAnInstalledPathTooLong)
{
    // Under C:\Documents and Settings\All Users\Application Data the data
    // folder takes 75 characters and the name, and NAME.dat the name and 4
    // more: 79 + 2 x 90 = 259 is the longest path the installer uses.
    PackageInput spec = FourFiles();
    std::string error;
    spec.name = std::string(90, 'n') + "  "; // the installer trims the spaces
    EXPECT_TRUE(CheckInstalledPaths(spec, &error)) << error;
    EXPECT_EQ(LongestInstalledPath(spec, 90).length, 259u);

    spec.name.assign(91, 'n');
    EXPECT_FALSE(CheckInstalledPaths(spec, &error));
    EXPECT_EQ(error, "the name has 91 characters and at most 90 fit: under C:\\Documents and Settings\\All Users\\"
                     "Application Data the path of the data file would have 261 characters, and the installer "
                     "skips files whose paths pass 259");

    // With a short name the longest path is that of a generated name.
    spec.name = "Aurora";
    spec.files.push_back(File("long", 10, 5, ".ABCDEFGHIJKLMN", PREFIX_SELECT_JUK_));
    InstalledPath longest = LongestInstalledPath(spec, 6);
    EXPECT_EQ(longest.file, "JUK_0017.ABCDEFGHIJKLMN");
    EXPECT_EQ(longest.length, 75u + 6 + 23);
}

TEST(PackageReader, PackageCutInsideTheRecordTable)
{
    PackageInput spec = FourFiles();
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;
    built.bytes.resize(built.manifestOffset + 264 + 28 * 2 + 10);
    TempFile file;
    ASSERT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    PackageContents contents;
    ASSERT_TRUE(ReadPackage(file.path, &contents, &error)) << error;
    EXPECT_EQ(contents.records.size(), 2u);
    EXPECT_FALSE(contents.terminated);

    built.bytes.resize(built.manifestOffset + 100);
    ASSERT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    EXPECT_FALSE(ReadPackage(file.path, &contents, &error));
}

TEST(PackageVerify, CatchesBlocksThatDoNotExpandAndFieldsThatDoNotReadBack)
{
    PackageInput spec = FourFiles();
    BuiltPackage built;
    std::string error;
    TempFile file;

    ASSERT_TRUE(BuildPackage(spec, nullptr, &built, &error)) << error;
    ASSERT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    EXPECT_TRUE(VerifyWrittenPackage(file.path, spec, built, &error)) << error;

    // A name that the file does not hold (a damaged write, say).
    Bytes damaged = built.bytes;
    damaged[built.manifestOffset + 2] ^= 0x20;
    ASSERT_TRUE(ReplaceFile(file.path, damaged, 0644, &error)) << error;
    EXPECT_FALSE(VerifyWrittenPackage(file.path, spec, built, &error));
    EXPECT_NE(error.find("read back"), std::string::npos) << error;

    // An encoder fault: the block is shorter but is no valid stream for it.
    ASSERT_TRUE(BuildPackage(spec, Halve, &built, &error)) << error;
    ASSERT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    EXPECT_FALSE(VerifyWrittenPackage(file.path, spec, built, &error));
    EXPECT_NE(error.find("does not expand"), std::string::npos) << error;
}

TEST(PackageVerify, RealEncoderBlocksExpandThroughTheDecoder)
{
    PackageInput spec = FourFiles();
    // Text-like content compresses; the writer must pick the block and the
    // decoder must give the file back.
    for (PackedFile &file : spec.files)
        for (size_t i = 0; i < file.content.size(); i++)
            file.content[i] = (uint8_t)("screen saver "[i % 13]);
    BuiltPackage built;
    std::string error;
    Compressor compress = [](const Bytes &content) { return CompressBlock(content.data(), content.size()); };
    ASSERT_TRUE(BuildPackage(spec, compress, &built, &error)) << error;
    for (size_t i = 0; i < built.records.size(); i++) {
        EXPECT_EQ(built.records[i].originalSize, spec.files[i].content.size()) << i;
        EXPECT_LT(built.records[i].storedSize, spec.files[i].content.size()) << i;
    }
    TempFile file;
    ASSERT_TRUE(ReplaceFile(file.path, built.bytes, 0644, &error)) << error;
    EXPECT_TRUE(VerifyWrittenPackage(file.path, spec, built, &error)) << error;
}
