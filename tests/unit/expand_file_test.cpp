// ExpandFile over real files: the block found by its offset in the
// package file, the reads it makes, and what it creates when it
// can't or needn't decode.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/portable/expand_file.h"
#include "engine/portable/rules.h"
#include "tests/unit/counting_pump.h"
#include "tests/unit/memory_stream.h"

namespace {

// The hand-built block of 31 'A's (see decoder_test.cpp).
const char *kThirtyOneA = "00001001 00001001 000 000000";

std::vector<uint8_t> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

bool Exists(const std::string &path)
{
    return access(path.c_str(), F_OK) == 0;
}

// The process's read calls and bytes read so far, not counting the one
// read that takes this snapshot (it counts only from the next snapshot on,
// and is left out there).
struct ReadCounters {
    long calls = 0, bytes = 0, ownBytes = 0;
};

ReadCounters CurrentReads()
{
    char text[512];
    int fd = open("/proc/self/io", O_RDONLY);
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    ReadCounters c;
    if (n <= 0)
        return c;
    text[n] = '\0';
    const char *rchar = strstr(text, "rchar:");
    const char *syscr = strstr(text, "syscr:");
    if (rchar && syscr) {
        c.bytes = strtol(rchar + 6, nullptr, 10);
        c.calls = strtol(syscr + 6, nullptr, 10);
    }
    c.ownBytes = n;
    return c;
}

// Read calls and bytes between two snapshots.
ReadCounters ReadsBetween(const ReadCounters &before, const ReadCounters &after)
{
    ReadCounters d;
    d.calls = after.calls - before.calls - 1;
    d.bytes = after.bytes - before.bytes - before.ownBytes;
    return d;
}

class ExpandFileTest : public ::testing::Test {
  protected:
    std::string dir, package, destination;
    const char *packagePath = nullptr; // what ExpandFile is given: package, unless a test says otherwise
    const uint32_t offset = 1234;

    void SetUp() override
    {
        char name[] = "/tmp/expand_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        package = dir + "/package.exe";
        destination = dir + "/out.bin";
        packagePath = package.c_str();
        ResetPumpAndAbort();
    }

    void TearDown() override
    {
        ResetPumpAndAbort();
        std::string command = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    // ExpandFile with the counting pump, into destination or to.
    CopyEnd Expand(uint32_t dataOffset, uint32_t originalSize, uint32_t storedSize) const
    {
        return Expand(dataOffset, originalSize, storedSize, destination);
    }
    CopyEnd Expand(uint32_t dataOffset, uint32_t originalSize, uint32_t storedSize, const std::string &to) const
    {
        FileRecord record = {dataOffset, storedSize, originalSize, {}};
        return ExpandFile(packagePath, &record, to.c_str(), &countingPump);
    }

    // A package file with block at offset, and bytes after it that a
    // decoder reading too far would take.
    void WritePackage(const std::vector<uint8_t> &block)
    {
        std::vector<uint8_t> bytes(offset, 0x5A);
        bytes.insert(bytes.end(), block.begin(), block.end());
        bytes.insert(bytes.end(), 4096, 0xFF);
        WriteFile(package, bytes);
    }
};

TEST_F(ExpandFileTest, ExpandsTheBlockAtItsOffset)
{
    std::vector<uint8_t> block = BitsToBytes(kThirtyOneA);
    WritePackage(block);
    WriteFile(destination, std::vector<uint8_t>(100, 'x')); // cut to length
    EXPECT_EQ(Expand(offset, 31, (uint32_t)block.size()), kCopyWhole);
    EXPECT_EQ(ReadFile(destination), std::vector<uint8_t>(31, 'A'));
}

TEST_F(ExpandFileTest, ReadsBlockInPiecesThatEndAtItsEnd)
{
    // Each of the decoder's reads is one read call of the unbuffered
    // stream; together they take exactly the block.
    struct {
        uint32_t stored;
        long calls;
    } cases[] = {{40000, 3}, {16384, 1}, {1000, 1}};
    for (auto c : cases) {
        WritePackage(XorshiftBytes(3, c.stored));
        ReadCounters before = CurrentReads();
        Expand(offset, 4000000, c.stored);
        ReadCounters reads = ReadsBetween(before, CurrentReads());
        EXPECT_EQ(reads.calls, c.calls) << c.stored;
        EXPECT_EQ(reads.bytes, (long)c.stored);
    }
}

TEST_F(ExpandFileTest, ZeroOrNegativeSizeCreatesEmptyFile)
{
    WritePackage(BitsToBytes(kThirtyOneA));
    for (uint32_t size : {0u, 0x80000000u}) {
        WriteFile(destination, {1, 2, 3});
        ReadCounters before = CurrentReads();
        EXPECT_EQ(Expand(offset, size, 4), kCopyWhole);
        EXPECT_EQ(ReadsBetween(before, CurrentReads()).calls, 0);
        EXPECT_TRUE(Exists(destination));
        EXPECT_TRUE(ReadFile(destination).empty());
    }
}

TEST_F(ExpandFileTest, AbortRequestedLeavesEmptyFileExemptFileWhole)
{
    // Enough bytes for 200000 bytes of output: its code never runs out.
    std::vector<uint8_t> block = XorshiftBytes(8, 100000);
    WritePackage(block);
    testPump.abortRequested = 1;
    EXPECT_EQ(Expand(offset, 200000, (uint32_t)block.size()), kCopyCancelled);
    EXPECT_EQ(pumpStepCount, 1);
    EXPECT_TRUE(Exists(destination));
    EXPECT_TRUE(ReadFile(destination).empty());

    testPump.abortExempt = 1;
    EXPECT_EQ(Expand(offset, 200000, (uint32_t)block.size()), kCopyWhole);
    EXPECT_EQ(ReadFile(destination).size(), 200000u);
}

TEST_F(ExpandFileTest, UnreachableBlockCreatesNothing)
{
    // No package path, a missing package, an offset beyond the format's
    // range: the block's input is not there, and the destination is not
    // created.
    const char *paths[] = {nullptr, "", "/nonexistent/package.exe"};
    for (const char *path : paths) {
        packagePath = path;
        EXPECT_EQ(Expand(0, 31, 4), kCopyInputEnded);
        EXPECT_FALSE(Exists(destination));
    }
    packagePath = package.c_str();
    WritePackage(BitsToBytes(kThirtyOneA));
    EXPECT_EQ(Expand(0x80000000u, 31, 4), kCopyInputEnded);
    EXPECT_FALSE(Exists(destination));
    // A destination that can't be created: not started.
    EXPECT_EQ(Expand(offset, 31, 4, dir + "/missing/out.bin"), kCopyNotStarted);
}

TEST_F(ExpandFileTest, BlockThatRunsOutEndsAtTheNextPumpStep)
{
    // Enough bytes for 200000 bytes of output, then the same block cut to
    // 1000 bytes: its code runs into the zero bits behind it, and the
    // decoding ends at the check after the first pump step, not at the
    // claimed size.  A block longer than the file reads short, and ends at
    // the first check.
    std::vector<uint8_t> block = XorshiftBytes(8, 100000);
    WritePackage(block);
    EXPECT_EQ(Expand(offset, 200000, (uint32_t)block.size()), kCopyWhole);
    pumpStepCount = 0;
    EXPECT_EQ(Expand(offset, 200000, 1000), kCopyInputEnded);
    EXPECT_EQ(pumpStepCount, 1);
    EXPECT_LE(ReadFile(destination).size(), (size_t)kPumpInterval);
    std::vector<uint8_t> whole(offset, 0x5A);
    whole.insert(whole.end(), block.begin(), block.begin() + 1000);
    WriteFile(package, whole);
    pumpStepCount = 0;
    EXPECT_EQ(Expand(offset, 200000, 2000), kCopyInputEnded);
    EXPECT_EQ(pumpStepCount, 0);
}

TEST_F(ExpandFileTest, FullDiskIsReportedAndStopsTheDecoding)
{
    // The first write (16384 bytes) fails; the decoding stops at its next
    // check, before the pump step due at 102400 bytes.
    std::vector<uint8_t> block = XorshiftBytes(8, 30000);
    WritePackage(block);
    EXPECT_EQ(Expand(offset, 200000, (uint32_t)block.size(), "/dev/full"), kCopyShortWrite);
    EXPECT_EQ(pumpStepCount, 1);
    // The next block starts with a clean slate.
    EXPECT_EQ(Expand(offset, 31, 4), kCopyWhole);
}

} // namespace
