// The installer's decoder, with its fast paths, against the plain decoder
// kept in tests/unit/plain_decoder.h: the same bytes, the same reads and writes
// of the same sizes, the same end and the same pump steps, on
// real blocks of every kind of file and on arbitrary bytes, with short
// reads, cut blocks and aborts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/portable/rules.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/codec/compress.h"
#include "tests/unit/counting_pump.h"
#include "tests/unit/memory_stream.h"
#include "tests/unit/plain_decoder.h"
#include "tests/unit/sample_corpus.h"

namespace {

// The installer's decoder as ExpandFile runs it, on the decoder's own
// state.  (The other tests run DecodeBlock.)
CopyEnd InstallerDecodeBlock(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                             uint32_t storedSize, const PumpHook *pump)
{
    return DecodeBlockOnOwnState(input, output, originalSize, storedSize, pump);
}

// The plain decoder, with its end in the same terms.
CopyEnd PlainDecodeBlock(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                         uint32_t storedSize, const PumpHook *pump)
{
    plain::DecodeBlock(input, output, originalSize, storedSize, pump);
    return plain::End(originalSize);
}

// A source and a sink over memory that log every read, write and pump
// step in one list, so that a read made earlier or later than the plain
// decoder makes it (between other writes or pump steps) shows.  Reads in a
// row are one event, with their sizes added up.
struct Streams {
    std::vector<uint8_t> input;
    size_t position = 0;
    size_t readLimit = SIZE_MAX;
    std::vector<uint8_t> output;
    std::vector<std::string> events;
    size_t readRun = 0, readRunGot = 0;
    std::vector<int32_t> readAt;   // plain::produced at each read, for the plain decoder

    void Log(const std::string &event)
    {
        if (readRun) {
            events.push_back("read " + std::to_string(readRun) + " got " + std::to_string(readRunGot));
            readRun = readRunGot = 0;
        }
        if (!event.empty())
            events.push_back(event);
    }

    static uint32_t Read(void *context, uint8_t *buffer, uint32_t size)
    {
        auto *self = static_cast<Streams *>(context);
        if (self->readAt.empty() || self->readAt.back() != plain::produced)
            self->readAt.push_back(plain::produced);
        size_t n = std::min({(size_t)size, self->input.size() - self->position, self->readLimit});
        self->readRun += size;
        self->readRunGot += n;
        memcpy(buffer, self->input.data() + self->position, n);
        self->position += n;
        self->readLimit -= n;
        return (uint32_t)n;
    }

    static uint32_t Write(void *context, const uint8_t *buffer, uint32_t size)
    {
        auto *self = static_cast<Streams *>(context);
        self->Log("write " + std::to_string(size));
        self->output.insert(self->output.end(), buffer, buffer + size);
        return size;
    }
};

Streams *logged;

struct Decoded {
    CopyEnd end;
    std::vector<uint8_t> bytes;
    std::vector<std::string> events;
    std::vector<int32_t> readAt;
    size_t taken;
};

struct DecodeSetup {
    uint32_t originalSize;
    uint32_t storedSize;
    size_t readLimit = SIZE_MAX;   // the package ends early
    int abortAtPump = 0;           // Cancel confirmed at this pump step
    bool exempt = false;
};

int abortAtPump;

void LogPumpAndAbort()
{
    logged->Log("pump");
    if (pumpStepCount == abortAtPump)
        testPump.abortRequested = 1;
}

template <typename Decoder>
Decoded Decode(Decoder decode, const std::vector<uint8_t> &block, const DecodeSetup &setup)
{
    ResetPumpAndAbort();
    Streams streams;
    logged = &streams;
    abortAtPump = setup.abortAtPump;
    pumpStepHook = LogPumpAndAbort;
    testPump.abortExempt = setup.exempt;
    streams.input = block;
    streams.input.insert(streams.input.end(), 64, 0xEE);  // never to be read
    streams.readLimit = setup.readLimit;
    const BlockSource input = {Streams::Read, &streams};
    const BlockSink output = {Streams::Write, &streams};
    Decoded run;
    run.end = decode(&input, &output, setup.originalSize, setup.storedSize, &countingPump);
    streams.Log("");
    run.bytes = streams.output;
    run.events = streams.events;
    run.readAt = streams.readAt;
    run.taken = streams.position;
    ResetPumpAndAbort();
    logged = nullptr;
    return run;
}

// Both decoders on the same block; every difference is a failure.
void ExpectSameAsPlain(const std::vector<uint8_t> &block, const DecodeSetup &setup)
{
    Decoded fast = Decode(InstallerDecodeBlock, block, setup);
    Decoded plainRun = Decode(PlainDecodeBlock, block, setup);
    EXPECT_EQ(fast.end, plainRun.end);
    EXPECT_EQ(fast.events, plainRun.events);
    EXPECT_EQ(fast.taken, plainRun.taken);
    ASSERT_EQ(fast.bytes.size(), plainRun.bytes.size());
    EXPECT_TRUE(fast.bytes == plainRun.bytes) << "first difference at byte "
        << std::mismatch(fast.bytes.begin(), fast.bytes.end(), plainRun.bytes.begin()).first - fast.bytes.begin();
}

TEST(FastDecoderTest, SameAsPlainOnRealBlocks)
{
    // Every kind of file, long enough for several 16384-byte reads and
    // writes and several tree rebuilds.
    for (SampleKind kind : {SampleKind::Program, SampleKind::Bitmap, SampleKind::Audio, SampleKind::Midi,
                            SampleKind::Text, SampleKind::Random, SampleKind::Runs}) {
        SCOPED_TRACE(SampleKindName(kind));
        std::vector<uint8_t> file = MakeSample(kind, 300000, 3);
        std::vector<uint8_t> block = CompressBlock(file.data(), file.size());
        uint32_t size = (uint32_t)file.size(), stored = (uint32_t)block.size();
        ExpectSameAsPlain(block, {size, stored});
        // Cut short by the package's end, by a shorter stored size, and
        // stopped by Cancel at the second pump step, exempt or not.
        ExpectSameAsPlain(block, {size, stored, stored / 2});
        ExpectSameAsPlain(block, {size, stored / 3});
        ExpectSameAsPlain(block, {size, stored, SIZE_MAX, 2});
        ExpectSameAsPlain(block, {size, stored, SIZE_MAX, 2, true});
    }
}

TEST(FastDecoderTest, SameAsPlainOnArbitraryBytes)
{
    // Any bytes are a block.  Sizes around the reader's and writer's
    // 16384 bytes, tiny blocks whose bits run out at once, sizes that
    // decode nothing, reads that fall short.
    struct Case {
        uint32_t seed;
        size_t bytes;
        uint32_t originalSize, storedSize;
        size_t readLimit;
        int abortAtPump;
    } cases[] = {
        {1, 20000, 70000, 20000, SIZE_MAX, 0},
        {2, 16384, 16384, 16384, SIZE_MAX, 0},
        {3, 16385, 50000, 16385, SIZE_MAX, 0},
        {4, 32770, 300000, 32770, 16390, 0},
        {5, 1, 1000, 1, SIZE_MAX, 0},
        {6, 3, 5, 3, SIZE_MAX, 0},
        {7, 40000, 250000, 40000, SIZE_MAX, 3},
        {8, 100, 0, 100, SIZE_MAX, 0},
        {9, 100, 0x80000000u, 100, SIZE_MAX, 0},
        {10, 5000, 2000, 9000, SIZE_MAX, 0},
        {11, 60000, 900000, 60000, 0, 0},
        {12, 16383, 40000, 16383, 16000, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        ExpectSameAsPlain(XorshiftBytes(c.seed, c.bytes), {c.originalSize, c.storedSize, c.readLimit, c.abortAtPump});
    }
    // Many small random blocks and sizes.
    SampleRandom rng(42);
    for (int i = 0; i < 300; i++) {
        size_t bytes = 1 + rng.Below(3000);
        DecodeSetup setup{1 + rng.Below(40000), (uint32_t)(rng.Below(4) == 0 ? rng.Below(4000) : bytes)};
        if (rng.Below(5) == 0)
            setup.readLimit = rng.Below((uint32_t)bytes);
        setup.abortAtPump = (int)rng.Below(3);
        SCOPED_TRACE("random case " + std::to_string(i));
        ExpectSameAsPlain(XorshiftBytes(1000 + i, bytes), setup);
    }
}

TEST(FastDecoderTest, ReadsComeAtTheSameSymbol)
{
    // The fast paths take bits ahead from the buffered piece of the block
    // but must leave each read of the next piece where the plain decoder
    // makes it.  A block that ends between the two places shows the
    // difference: one decoder reads, the other does not.  So the sizes are
    // swept around the output count at which the plain decoder reads.
    std::vector<std::vector<uint8_t>> blocks;
    for (uint32_t seed : {21u, 22u, 23u})
        blocks.push_back(XorshiftBytes(seed, 40000));
    for (SampleKind kind : {SampleKind::Audio, SampleKind::Text, SampleKind::Bitmap}) {
        std::vector<uint8_t> file = MakeSample(kind, 150000, 5);
        blocks.push_back(CompressBlock(file.data(), file.size()));
    }
    for (size_t b = 0; b < blocks.size(); b++) {
        SCOPED_TRACE("block " + std::to_string(b));
        const std::vector<uint8_t> &block = blocks[b];
        uint32_t stored = (uint32_t)block.size();
        Decoded whole = Decode(PlainDecodeBlock, block, {10000000, stored});
        ASSERT_GE(whole.readAt.size(), 3u);
        for (size_t r = 1; r < 3; r++) {
            int32_t at = whole.readAt[r];
            for (int32_t size = std::max(1, at - 40); size <= at + 40; size++)
                ExpectSameAsPlain(block, {(uint32_t)size, stored});
        }
    }
}

} // namespace
