// What "scrpack list" and "verify" say about a package's signature: the PE
// checksum, and the certificate table behind the last block, on packages
// made here from the miniature stub (the real signer's output is checked
// by tests/e2e/test_signed_package.py).
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "scrpack/pe/pe_image.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "synthetic_pe.h"

namespace {

// A package in miniature: the finished stub cut at its manifest, then
// bytes that stand for the manifest and the blocks.
struct MiniPackage {
    Bytes bytes;
    PeImage pe;
    uint64_t dataEnd = 0;
};

MiniPackage MakePackage()
{
    MiniPackage package;
    package.bytes = BuildStubLikePe();
    std::string error;
    EXPECT_TRUE(FixStubLayout(&package.bytes, &error)) << error;
    StubLayout layout;
    EXPECT_TRUE(CheckStubLayout(package.bytes, &layout, &error)) << error;
    package.bytes.resize(layout.manifestOffset);
    for (int i = 0; i < 1001; i++) // an odd length: the signer pads it
        package.bytes.push_back((uint8_t)(i * 7));
    package.dataEnd = package.bytes.size();
    EXPECT_TRUE(ParsePeImage(package.bytes, &package.pe, &error)) << error;
    return package;
}

// What a signer does: pad to eight bytes, append a table with one
// WIN_CERTIFICATE (revision 2.0, PKCS#7), point the security entry at it
// and set the checksum.
void Sign(MiniPackage *package, uint16_t revision = 0x0200, uint16_t type = 0x0002)
{
    Bytes &b = package->bytes;
    b.resize(AlignUp(b.size(), 8), 0);
    uint32_t at = (uint32_t)b.size();
    uint32_t length = 8 + 1200;
    AppendLe32(b, length);
    b.push_back((uint8_t)revision);
    b.push_back((uint8_t)(revision >> 8));
    b.push_back((uint8_t)type);
    b.push_back((uint8_t)(type >> 8));
    for (uint32_t i = 0; i < 1200; i++)
        b.push_back((uint8_t)(0x30 + i % 13));
    StoreLe32(b, package->pe.dataDirectories + 8 * kDirectorySecurity, at);
    StoreLe32(b, package->pe.dataDirectories + 8 * kDirectorySecurity + 4, length);
}

void SetChecksum(MiniPackage *package)
{
    PeChecksum sum(package->pe.checksumOffset);
    sum.Add(package->bytes.data(), package->bytes.size());
    StoreLe32(package->bytes, package->pe.checksumOffset, sum.Finish());
}

class TempFile {
public:
    TempFile()
    {
        char name[] = "/tmp/signature_status_test-XXXXXX";
        int fd = mkstemp(name);
        close(fd);
        path_ = name;
    }
    ~TempFile() { unlink(path_.c_str()); }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

SignatureStatus Status(const MiniPackage &package)
{
    TempFile file;
    std::string error;
    EXPECT_TRUE(ReplaceFile(file.path(), package.bytes, 0644, &error)) << error;
    SignatureStatus status;
    EXPECT_TRUE(ReadSignatureStatus(file.path(), package.dataEnd, &status, &error)) << error;
    return status;
}

} // namespace

TEST(PeChecksum, SumsWordsWithCarryAndAddsTheLength)
{
    // 0x0201 + 0xFFFF = 0x10200, folded: 0x0201; then the odd last byte
    // 0x03, then the length 5.
    const uint8_t bytes[] = {0x01, 0x02, 0xFF, 0xFF, 0x03};
    PeChecksum sum(1000);
    sum.Add(bytes, sizeof bytes);
    EXPECT_EQ(sum.Finish(), 0x0201u + 0x03u + 5u);
    // The checksum field's four bytes count as zero.
    PeChecksum skipping(0);
    const uint8_t field[] = {0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x00};
    skipping.Add(field, sizeof field);
    EXPECT_EQ(skipping.Finish(), 0x0001u + 6u);
}

TEST(PeChecksum, SameSumHoweverTheBytesAreSplit)
{
    // Any bytes will do: a fixed pattern that is no simple sum.
    Bytes data(100001);
    uint32_t state = 15;
    for (uint8_t &b : data) {
        state = state * 1103515245u + 12345u;
        b = (uint8_t)(state >> 16);
    }
    PeChecksum whole(216);
    whole.Add(data.data(), data.size());
    for (size_t step : {1u, 3u, 7u, 4096u, 65537u}) {
        PeChecksum pieces(216);
        for (size_t at = 0; at < data.size(); at += step)
            pieces.Add(data.data() + at, std::min(step, data.size() - at));
        EXPECT_EQ(pieces.Finish(), whole.Finish()) << step;
    }
}

TEST(SignatureStatus, UnsignedPackageWithNothingBehindItsLastBlock)
{
    MiniPackage package = MakePackage();
    SignatureStatus status = Status(package);
    EXPECT_FALSE(status.isSigned);
    EXPECT_EQ(status.warnings, std::vector<std::string>());
    EXPECT_EQ(DescribeSignature(status), "no");
}

TEST(SignatureStatus, SignedPackage)
{
    MiniPackage package = MakePackage();
    Sign(&package);
    SetChecksum(&package);
    SignatureStatus status = Status(package);
    EXPECT_TRUE(status.isSigned);
    EXPECT_EQ(status.warnings, std::vector<std::string>());
    EXPECT_EQ(status.tableOffset, AlignUp(package.dataEnd, 8));
    EXPECT_EQ(status.tableSize, 1208u);
    EXPECT_EQ(status.storedChecksum, status.computedChecksum);
    EXPECT_EQ(DescribeSignature(status).rfind("yes, Authenticode certificate table of 1208 bytes at offset " +
                                                  std::to_string(status.tableOffset) + " after the last block",
                                              0),
              0u)
        << DescribeSignature(status);
    EXPECT_NE(DescribeSignature(status).find(" correct"), std::string::npos);
}

TEST(SignatureStatus, WarnsOfWhatIsNotACertificateTable)
{
    struct Case {
        const char *what;
        void (*damage)(MiniPackage *);
        bool isSigned;
        const char *warning;
    };
    const Case cases[] = {
        {"bytes appended to an unsigned package",
         [](MiniPackage *p) { p->bytes.insert(p->bytes.end(), 10, 0x41); }, false,
         "10 bytes after the last block are not a certificate table"},
        {"bytes appended to a signed package",
         [](MiniPackage *p) {
             Sign(p);
             p->bytes.push_back(0x41);
             SetChecksum(p);
         },
         true, "1 byte follows the certificate table"},
        {"padding that is not zero",
         [](MiniPackage *p) {
             p->bytes.push_back(0x41);
             Sign(p);
             SetChecksum(p);
         },
         true, "after the last block are not a certificate table"},
        {"a table of another kind",
         [](MiniPackage *p) {
             Sign(p, 0x0200, 0x0001);
             SetChecksum(p);
         },
         false, "which are not an Authenticode certificate table"},
        {"a table inside the blocks",
         [](MiniPackage *p) {
             Sign(p);
             StoreLe32(p->bytes, p->pe.dataDirectories + 8 * kDirectorySecurity, (uint32_t)p->dataEnd - 16);
         },
         false, "inside the package's data"},
        {"a table past the end of the file",
         [](MiniPackage *p) {
             Sign(p);
             p->bytes.resize(p->bytes.size() - 100);
         },
         false, "past the end of the file"},
        {"a wrong checksum", [](MiniPackage *p) { Sign(p); }, true, "the PE checksum is 0x00000000; the file sums to"},
    };
    for (const Case &c : cases) {
        MiniPackage package = MakePackage();
        c.damage(&package);
        SignatureStatus status = Status(package);
        EXPECT_EQ(status.isSigned, c.isSigned) << c.what;
        bool found = false;
        for (const std::string &warning : status.warnings)
            found = found || warning.find(c.warning) != std::string::npos;
        EXPECT_TRUE(found) << c.what << ": " << ::testing::PrintToString(status.warnings);
    }
}

TEST(SignatureStatus, FixPeChecksumWritesTheSumAndOnlyThat)
{
    MiniPackage package = MakePackage();
    Sign(&package);
    TempFile file;
    std::string error;
    ASSERT_TRUE(ReplaceFile(file.path(), package.bytes, 0644, &error)) << error;
    bool changed = false;
    ASSERT_TRUE(FixPeChecksum(file.path(), &changed, &error)) << error;
    EXPECT_TRUE(changed);
    Bytes fixed;
    ASSERT_TRUE(ReadWholeFile(file.path(), &fixed, &error)) << error;
    SetChecksum(&package);
    EXPECT_EQ(fixed, package.bytes);
    ASSERT_TRUE(FixPeChecksum(file.path(), &changed, &error)) << error;
    EXPECT_FALSE(changed);
}
