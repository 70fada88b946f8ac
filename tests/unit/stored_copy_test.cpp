// The stored copy over real files: exactly the block's bytes, the message
// pump step after the first chunk and after each chunk that passes a
// further 102400 bytes, the abort test right after it, and what is left of
// a file when the source can't be read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/portable/rules.h"
#include "engine/portable/stored_copy.h"
#include "tests/unit/counting_pump.h"

namespace {

const uint32_t kBlockOffset = 1000; // bytes of other content before the block
const uint32_t kTrailer = 5000;     // and after it: the next blocks

std::vector<uint8_t> Pattern(size_t size, unsigned seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = (uint8_t)((i * 131 + seed * 17 + (i >> 8)) & 0xFF);
    return bytes;
}

class StoredCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/stored_copy_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        ResetPumpAndAbort();
    }

    void TearDown() override
    {
        ResetPumpAndAbort();
        std::string command = "rm -rf '" + folder + "'";
        (void)system(command.c_str());
    }

    // Writes a package-like file: other bytes, the block, more bytes (or
    // none when the block ends the file); returns the block.
    std::vector<uint8_t> MakeSource(uint32_t blockSize, uint32_t trailer = kTrailer)
    {
        std::vector<uint8_t> block = Pattern(blockSize, 1);
        std::vector<uint8_t> bytes = Pattern(kBlockOffset, 2);
        bytes.insert(bytes.end(), block.begin(), block.end());
        std::vector<uint8_t> after = Pattern(trailer, 3);
        bytes.insert(bytes.end(), after.begin(), after.end());
        std::ofstream(Source(), std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
        return block;
    }

    // Copies a record of storedSize bytes at offset into a destination that
    // does not exist yet; returns what the destination holds afterwards,
    // and how the copy ended in lastEnd.
    CopyEnd lastEnd = kCopyWhole;
    std::vector<uint8_t> Copy(uint32_t storedSize, uint32_t offset = kBlockOffset, const char *source = nullptr)
    {
        unlink(Destination().c_str());
        HFILE manifest = _lopen(source ? source : Source().c_str(), OF_READ | OF_SHARE_DENY_NONE);
        EXPECT_NE(manifest, HFILE_ERROR);
        FileRecord record = {};
        record.dataOffset = offset;
        record.storedSize = storedSize;
        char buffer[kCopyChunkSize];
        lastEnd = CopyStoredBlock(manifest, &record, Destination().c_str(), buffer, &countingPump);
        _lclose(manifest);
        EXPECT_EQ(access(Destination().c_str(), F_OK), 0) << "the destination is always created";
        std::ifstream in(Destination(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::string Source() const { return folder + "/package.exe"; }
    std::string Destination() const { return folder + "/FILE0001.WAV"; }

    std::string folder;
};

std::vector<uint8_t> Head(const std::vector<uint8_t> &bytes, size_t size)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)size);
}

// Sets the abort request at the pump step with the given number.
int abortAtStep;
void AbortAtStep(void)
{
    if (pumpStepCount == abortAtStep)
        testPump.abortRequested = 1;
}

TEST_F(StoredCopy, WritesExactlyTheBlockWithAPumpStepPerPassedInterval)
{
    struct Case {
        uint32_t size;
        int pumpSteps;
    } cases[] = {
        {288, 1},            // one chunk, read past the block's end
        {2048, 1},           // the next chunk (beyond the block) adds nothing
        {104448, 2},         // 51 full chunks: after the 1st and the 51st
        {102400, 2},         // 50 chunks; the read past the block's end passes 102400
        {300000, 3},         // after 2048, 104448 and 206848 bytes
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        ResetPumpAndAbort();
        std::vector<uint8_t> block = MakeSource(c.size);
        EXPECT_EQ(Copy(c.size), block);
        EXPECT_EQ(pumpStepCount, c.pumpSteps);
    }
    // A block that ends the file: the read past its end finds nothing.
    ResetPumpAndAbort();
    std::vector<uint8_t> block = MakeSource(102400, 0);
    EXPECT_EQ(Copy(102400), block);
    EXPECT_EQ(pumpStepCount, 1);
}

TEST_F(StoredCopy, AbortStopsAtTheNextAbortTestUnlessExempt)
{
    std::vector<uint8_t> block = MakeSource(300000);
    // Confirmed during the first pump step: the first chunk stays.
    pumpStepHook = AbortAtStep;
    abortAtStep = 1;
    EXPECT_EQ(Copy(300000), Head(block, 2048));
    EXPECT_EQ(pumpStepCount, 1);

    // During the second: the chunks up to the one that passed 102400.
    ResetPumpAndAbort();
    pumpStepHook = AbortAtStep;
    abortAtStep = 2;
    EXPECT_EQ(Copy(300000), Head(block, 104448));
    EXPECT_EQ(pumpStepCount, 2);

    // Already requested (a later file of an aborted walk): its first chunk,
    // or all of a smaller file.
    ResetPumpAndAbort();
    testPump.abortRequested = 1;
    EXPECT_EQ(Copy(300000), Head(block, 2048));
    EXPECT_EQ(Copy(288), Head(block, 288));

    // The uninstaller is exempt: written whole, pump steps as usual.
    ResetPumpAndAbort();
    testPump.abortRequested = 1;
    testPump.abortExempt = 1;
    EXPECT_EQ(Copy(300000), block);
    EXPECT_EQ(pumpStepCount, 3);
}

TEST_F(StoredCopy, ShortWriteIsReportedAndEndsTheCopyAtOnce)
{
    MakeSource(300000);
    HFILE manifest = _lopen(Source().c_str(), OF_READ | OF_SHARE_DENY_NONE);
    FileRecord record = {};
    record.dataOffset = kBlockOffset;
    record.storedSize = 300000;
    char buffer[kCopyChunkSize];
    EXPECT_EQ(CopyStoredBlock(manifest, &record, "/dev/full", buffer, &countingPump), kCopyShortWrite);
    EXPECT_EQ(pumpStepCount, 0);
    testPump.abortRequested = 1;
    EXPECT_EQ(CopyStoredBlock(manifest, &record, Destination().c_str(), buffer, &countingPump), kCopyCancelled);
    _lclose(manifest);
}

TEST_F(StoredCopy, SourceThatCannotBeReadEndsAsInputThatRanOut)
{
    // The package ends inside the block: what is there, then the end.
    std::vector<uint8_t> block = MakeSource(5000, 0);
    EXPECT_EQ(Copy(9000), block);
    EXPECT_EQ(lastEnd, kCopyInputEnded);
    EXPECT_EQ(Copy(5000), block);
    EXPECT_EQ(lastEnd, kCopyWhole);

    // A read error (the handle is a folder's): the file is created empty,
    // nothing of the buffer is written.
    ResetPumpAndAbort();
    EXPECT_EQ(Copy(5000, 0, folder.c_str()), std::vector<uint8_t>());
    EXPECT_EQ(lastEnd, kCopyInputEnded);
    EXPECT_EQ(pumpStepCount, 0);

    // An offset the signed seek can't reach: created, nothing copied.
    ResetPumpAndAbort();
    EXPECT_EQ(Copy(5000, 0x80000000u), std::vector<uint8_t>());
    EXPECT_EQ(lastEnd, kCopyInputEnded);
    EXPECT_EQ(pumpStepCount, 0);
}

} // namespace
