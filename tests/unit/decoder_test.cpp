// The block decoder against hand-built streams, expectations from the
// independent reference in tests/reference/reference_decoder.py, and the
// observable reads, writes, pump steps and abort handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/portable/rules.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "tests/unit/counting_pump.h"
#include "tests/unit/memory_stream.h"
#include "tests/unit/symbol_walk.h"

namespace {

// Initial codes (before any symbol): 'A' is 00001001, a 3-byte match
// 11001000, a 30-byte match 11100011.  After one 'A' the leaves of 'A' and
// of the 30-byte match have changed places, so the 30-byte match is coded
// 00001001.  A position code of nine zero bits is position 0, one byte
// back.
const char *kLiteralA = "00001001";
const char *kFirstMatch3 = "11001000";
const char *kFirstMatch30 = "11100011";
const char *kMatch30AfterA = "00001001";
const char *kPositionZero = "000 000000";

// The decoder's state; the tree tests look at it after decoding.
DecoderState decoder;

struct Decoded {
    std::vector<uint8_t> bytes;
    size_t taken;                // bytes the decoder took from its input
    std::vector<size_t> writes;
    CopyEnd end;
};

// Decodes from in through a recording sink.
Decoded DecodeFrom(MemoryStream *in, uint32_t originalSize, uint32_t storedSize)
{
    MemoryStream out;
    Decoded d;
    d.end = DecodeBlock(&decoder, &in->source, &out.sink, originalSize, storedSize, &countingPump);
    d.bytes = out.data;
    d.taken = in->position;
    d.writes = out.calls;
    return d;
}

// Decodes block (followed in its stream by bytes that must never be read).
Decoded Decode(const std::vector<uint8_t> &block, uint32_t originalSize, uint32_t storedSize,
               size_t readLimit = SIZE_MAX)
{
    MemoryStream in;
    in.data = block;
    in.data.insert(in.data.end(), 64, 0xEE);
    in.readLimit = readLimit;
    return DecodeFrom(&in, originalSize, storedSize);
}

Decoded Decode(const std::vector<uint8_t> &block, uint32_t originalSize)
{
    return Decode(block, originalSize, (uint32_t)block.size());
}

// The random bytes of seed, followed by as many zero bytes as the code
// takes: a block of any length that ends in the zero bits the bit reader
// would supply past its end, without running out.
Decoded DecodeLong(uint32_t seed, size_t bytes, uint32_t originalSize)
{
    MemoryStream in;
    in.data = XorshiftBytes(seed, bytes);
    in.zeroTail = true;
    return DecodeFrom(&in, originalSize, UINT32_MAX);
}

class DecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetPumpAndAbort(); }
    void TearDown() override { ResetPumpAndAbort(); }
};

TEST_F(DecoderTest, HandBuiltStreams)
{
    // A first match at position 0 copies the spaces before ring position
    // 4066; its position bits lie past the block's single byte and are
    // supplied as zero bits.
    Decoded spaces = Decode(BitsToBytes(kFirstMatch3), 3);
    EXPECT_EQ(std::string(spaces.bytes.begin(), spaces.bytes.end()), "   ");
    EXPECT_EQ(spaces.end, kCopyWhole);

    // A literal, then a 30-byte match one byte back repeats it 30 times.
    std::string bits = std::string(kLiteralA) + kMatch30AfterA + kPositionZero;
    Decoded run = Decode(BitsToBytes(bits.c_str()), 31);
    EXPECT_EQ(std::string(run.bytes.begin(), run.bytes.end()), std::string(31, 'A'));
    EXPECT_EQ(run.writes, std::vector<size_t>({31}));
}

TEST_F(DecoderTest, MatchIsCutAtOriginalSize)
{
    // A 30-byte first match in a block that expands to 1 byte: the file
    // gets 1 byte, not a second round of writes.
    for (uint32_t size : {1u, 2u, 29u}) {
        Decoded d = Decode(BitsToBytes(kFirstMatch30), size);
        EXPECT_EQ(d.bytes, std::vector<uint8_t>(size, ' ')) << size;
        EXPECT_EQ(d.end, kCopyWhole);
        EXPECT_EQ(d.writes, std::vector<size_t>({size}));
    }
}

TEST_F(DecoderTest, MatchesTheReferenceDecoder)
{
    // Any bytes form a valid block.  The second block runs through many
    // tree rebuilds, the first during its random bytes, the later ones on
    // the zero bits after its end.
    struct Case {
        uint32_t seed, stored, size;
        uint64_t hash;
    } cases[] = {
        {1, 3000, 20000, 0x10a6069749da3f45ull},
        {7, 60000, 600000, 0x121a877574636b05ull},
    };
    for (const Case &c : cases) {
        Decoded d = DecodeLong(c.seed, c.stored, c.size);
        ASSERT_EQ(d.bytes.size(), c.size);
        EXPECT_EQ(Fnv1a64(d.bytes), c.hash) << "seed " << c.seed;
        EXPECT_EQ(d.end, kCopyWhole);
    }
}

TEST_F(DecoderTest, ShortReadsAreNotFatal)
{
    // The package ends early: the block ends at the next check as one
    // whose input ran out, and nothing past the block is taken.
    std::vector<uint8_t> block = XorshiftBytes(5, 40000);
    Decoded d = Decode(block, 300000, (uint32_t)block.size(), 20000);
    EXPECT_EQ(d.end, kCopyInputEnded);
    EXPECT_LE(d.bytes.size(), 102400u);
    EXPECT_EQ(d.taken, 20000u);
    // The same with a block that can't be read at all: it ends at the
    // first check, after the first symbol, before any write.
    Decoded nothing = Decode(block, 300000, (uint32_t)block.size(), 0);
    EXPECT_EQ(nothing.end, kCopyInputEnded);
    EXPECT_TRUE(nothing.writes.empty());
}

TEST_F(DecoderTest, WritesAreWholeBuffersThenTheRest)
{
    Decoded whole = DecodeLong(9, 5000, 40000);
    EXPECT_EQ(whole.writes, std::vector<size_t>({16384, 16384, 7232}));
    // The same bytes whatever the size: only the end differs.
    Decoded shorter = DecodeLong(9, 5000, 32768);
    EXPECT_EQ(shorter.writes, std::vector<size_t>({16384, 16384}));
    EXPECT_TRUE(std::equal(shorter.bytes.begin(), shorter.bytes.end(), whole.bytes.begin()));
}

TEST_F(DecoderTest, NothingIsDecodedForZeroOrNegativeSizes)
{
    std::vector<uint8_t> block = XorshiftBytes(2, 100);
    for (uint32_t size : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        Decoded d = Decode(block, size);
        EXPECT_EQ(d.end, kCopyWhole) << size;
        EXPECT_EQ(d.taken, 0u) << size;
        EXPECT_TRUE(d.writes.empty()) << size;
    }
    EXPECT_EQ(pumpStepCount, 0);
}

TEST_F(DecoderTest, PumpRunsAfterFirstSymbolThenEvery102400Bytes)
{
    struct {
        uint32_t size;
        int pumps;
    } cases[] = {{1, 1}, {102400, 1}, {102401, 2}, {204800, 2}, {300000, 3}};
    for (auto c : cases) {
        pumpStepCount = 0;
        DecodeLong(4, 20000, c.size);
        EXPECT_EQ(pumpStepCount, c.pumps) << c.size;
    }
}

TEST_F(DecoderTest, AbortAlreadyRequestedStopsAfterFirstSymbol)
{
    testPump.abortRequested = 1;
    Decoded d = Decode(BitsToBytes(kFirstMatch3), 1000);
    EXPECT_EQ(pumpStepCount, 1);
    EXPECT_EQ(d.end, kCopyCancelled);
    EXPECT_TRUE(d.writes.empty());
    // Unless that symbol completes the file.
    Decoded complete = Decode(BitsToBytes(kFirstMatch3), 3);
    EXPECT_EQ(complete.bytes.size(), 3u);
}

TEST_F(DecoderTest, AbortDuringBlockKeepsOnlyWholeWrites)
{
    pumpStepHook = [] {
        if (pumpStepCount == 2)
            testPump.abortRequested = 1;
    };
    Decoded d = DecodeLong(4, 20000, 1000000);
    EXPECT_EQ(pumpStepCount, 2);
    EXPECT_EQ(d.end, kCopyCancelled);
    EXPECT_EQ(d.bytes.size(), 6u * 16384);
}

TEST_F(DecoderTest, ExemptBlockIsNotShortened)
{
    testPump.abortRequested = 1;
    testPump.abortExempt = 1;
    Decoded d = DecodeLong(4, 20000, 300000);
    EXPECT_EQ(d.end, kCopyWhole);
    EXPECT_EQ(d.bytes.size(), 300000u);
    EXPECT_EQ(pumpStepCount, 3);
}

// A sink that takes only 20000 bytes: the second 16384-byte write falls
// short.  The decoder says so, writes nothing more and stops at its next
// check, the one after 102400 bytes.
TEST_F(DecoderTest, ShortWriteIsReportedAndStopsAtTheNextCheck)
{
    MemoryStream in, out;
    in.data = XorshiftBytes(4, 2000);
    in.zeroTail = true;
    out.writeLimit = 20000;
    EXPECT_EQ(DecodeBlock(&decoder, &in.source, &out.sink, 300000, UINT32_MAX, &countingPump), kCopyShortWrite);
    EXPECT_EQ(out.data.size(), 20000u);
    EXPECT_EQ(out.calls.size(), 2u);
    EXPECT_EQ(pumpStepCount, 1);
}

// The tree's shape rules: every internal node counts the sum of its two
// children, counts never decrease from node to node, and each symbol has
// exactly one leaf whose entries point at each other.  The count after
// the root's is 0, below the root's, which is how the climb finds the root.
void ExpectSoundTree()
{
    const uint16_t *freq = decoder.tree.freq, *child = decoder.tree.child, *parent = decoder.tree.parent;
    std::vector<int> leafOf(kSymbolCount, -1);
    for (int x = 0; x < kTreeSize; x++) {
        if (x + 1 < kTreeSize) {
            ASSERT_LE(freq[x], freq[x + 1]) << "node " << x;
        }
        int c = child[x];
        if (c >= kTreeSize) {
            ASSERT_LT(c - kTreeSize, kSymbolCount);
            ASSERT_EQ(leafOf[c - kTreeSize], -1) << "symbol " << c - kTreeSize;
            leafOf[c - kTreeSize] = x;
            ASSERT_EQ(parent[c], x);
        } else {
            ASSERT_EQ(freq[x], freq[c] + freq[c + 1]) << "node " << x;
            ASSERT_EQ(parent[c], x);
            ASSERT_EQ(parent[c + 1], x);
        }
    }
    EXPECT_EQ(freq[kTreeSize], 0);
    EXPECT_EQ(parent[kRootNode], 0);
}

TEST_F(DecoderTest, FirstRebuildAtSymbol32485)
{
    // Symbols from zero bits: no stream needed.
    StartSymbolWalk(&decoder, nullptr, 0);
    for (int i = 1; i <= 32484; i++)
        DecodeChar(&decoder);
    EXPECT_EQ(decoder.tree.freq[kRootNode], kMaxFreq);
    ExpectSoundTree();
    DecodeChar(&decoder);
    EXPECT_LT(decoder.tree.freq[kRootNode], kMaxFreq);
    EXPECT_GT(decoder.tree.freq[kRootNode], kMaxFreq / 2);
    ExpectSoundTree();
}

TEST_F(DecoderTest, TreeStaysSoundOverManyRebuilds)
{
    Decoded d = DecodeLong(11, 200000, 3000000);
    EXPECT_EQ(d.bytes.size(), 3000000u);
    ExpectSoundTree();
}

} // namespace
