// The packaging tool's encoder against the installer's decoder: round
// trips over the kinds of files packages carry, and the rules every block
// must keep for the decoder (matches inside what the ring holds, the last
// match ending at the file's end).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/codec/compress.h"
#include "tests/unit/memory_stream.h"
#include "tests/unit/sample_corpus.h"
#include "tests/unit/symbol_walk.h"

namespace {

DecoderState decoder;

std::vector<uint8_t> Expand(const std::vector<uint8_t> &block, size_t size)
{
    MemoryStream in, out;
    in.data = block;
    CopyEnd end = DecodeBlock(&decoder, &in.source, &out.sink, (uint32_t)size,
                                   (uint32_t)block.size(), nullptr);
    EXPECT_EQ(end, kCopyWhole);
    EXPECT_EQ(out.data.size(), size);
    EXPECT_EQ(in.position, block.size());
    return out.data;
}

struct BlockFacts {
    int symbols = 0;
    int rebuilds = 0;
    bool sound = true;  // every match copies written bytes or the initial spaces
};

// Walks a block symbol by symbol with the decoder's own routines and
// checks each match against what the ring holds at that point.
BlockFacts Walk(const std::vector<uint8_t> &block, size_t size)
{
    MemoryStream in;
    in.data = block;
    StartSymbolWalk(&decoder, &in.source, (uint32_t)block.size());
    BlockFacts facts;
    size_t done = 0;
    while (done < size) {
        if (decoder.tree.freq[kRootNode] == kMaxFreq)
            facts.rebuilds++;
        int symbol = DecodeChar(&decoder);
        facts.symbols++;
        if (symbol < 256) {
            done++;
            continue;
        }
        size_t length = (size_t)(symbol - 253);
        size_t distance = (size_t)DecodePosition(&decoder) + 1;
        if (distance > done + kRingFillLength || length > size - done) {
            ADD_FAILURE() << "match of " << length << " bytes " << distance << " back at " << done;
            facts.sound = false;
            break;
        }
        done += length;
    }
    return facts;
}

TEST(CompressTest, RoundTripsEveryKindOfFile)
{
    struct {
        SampleKind kind;
        size_t size;
        double worstRatio; // block size / file size
    } cases[] = {
        {SampleKind::Program, 150000, 0.55}, {SampleKind::Bitmap, 120000, 0.80},
        {SampleKind::Audio, 120000, 0.97},   {SampleKind::Midi, 60000, 0.40},
        {SampleKind::Text, 150000, 0.50},    {SampleKind::Random, 120000, 1.015},
        {SampleKind::Runs, 150000, 0.06},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(SampleKindName(c.kind));
        std::vector<uint8_t> file = MakeSample(c.kind, c.size);
        std::vector<uint8_t> block = CompressBlock(file.data(), file.size());
        EXPECT_LE((double)block.size(), c.worstRatio * (double)file.size());
        EXPECT_EQ(Expand(block, file.size()), file);
        EXPECT_TRUE(Walk(block, file.size()).sound);
        // Builds are reproducible: the same file gives the same block.
        EXPECT_EQ(CompressBlock(file.data(), file.size()), block);
    }
}

TEST(CompressTest, LongFilesGoThroughSeveralTreeRebuilds)
{
    std::vector<uint8_t> file = MakeSample(SampleKind::Random, 100000);
    std::vector<uint8_t> text = MakeSample(SampleKind::Text, 60000, 2);
    file.insert(file.end(), text.begin(), text.end());
    std::vector<uint8_t> block = CompressBlock(file.data(), file.size());
    BlockFacts facts = Walk(block, file.size());
    EXPECT_GE(facts.rebuilds, 3);
    EXPECT_EQ(Expand(block, file.size()), file);
}

TEST(CompressTest, SmallAndEdgeFiles)
{
    std::vector<std::vector<uint8_t>> files = {
        {},
        {'x'},
        {0},
        std::vector<uint8_t>(2, ' '),
        std::vector<uint8_t>(3, ' '),
        std::vector<uint8_t>(31, 0),       // zeros, where positions 4066-4095 are
        std::vector<uint8_t>(31, ' '),
        std::vector<uint8_t>(5000, ' '),   // all from the initial spaces
        std::vector<uint8_t>(4097, 'q'),
    };
    std::string spacesThenText = std::string(40, ' ') + "Glimmerkit by Quillmoor" + std::string(4100, ' ') + "end";
    files.emplace_back(spacesThenText.begin(), spacesThenText.end());
    // A file whose last match is cut: 30-byte periods plus a tail of 7.
    std::string periodic;
    for (int i = 0; i < 40; i++)
        periodic += "abcdefghijklmnopqrstuvwxyz0123";
    periodic += "abcdefg";
    files.emplace_back(periodic.begin(), periodic.end());
    for (size_t size : {29u, 30u, 31u, 4066u, 4096u, 4127u})
        files.push_back(MakeSample(SampleKind::Text, size, size));

    for (const auto &file : files) {
        SCOPED_TRACE(file.size());
        std::vector<uint8_t> block = CompressBlock(file.data(), file.size());
        if (file.empty()) {
            EXPECT_TRUE(block.empty());
            continue;
        }
        EXPECT_EQ(Expand(block, file.size()), file);
        EXPECT_TRUE(Walk(block, file.size()).sound);
    }
}

TEST(CompressTest, OptionsChangeSpeedNotResult)
{
    std::vector<uint8_t> file = MakeSample(SampleKind::Program, 300000, 3);
    std::vector<size_t> reports;
    CompressOptions fast;
    fast.maxChain = 1;
    fast.progress = [&](size_t done) { reports.push_back(done); };
    std::vector<uint8_t> quick = CompressBlock(file.data(), file.size(), fast);
    EXPECT_EQ(Expand(quick, file.size()), file);
    EXPECT_GT(quick.size(), CompressBlock(file.data(), file.size()).size());
    ASSERT_GE(reports.size(), 2u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), file.size());
}

TEST(CompressTest, BothLevelsRoundTripAndBestIsNotLarger)
{
    // The best level's parse against the greedy one on every kind of
    // file: both decode to the file and keep the block rules, and best
    // never comes out larger (it prices greedy's choices too).
    for (SampleKind kind : {SampleKind::Program, SampleKind::Bitmap, SampleKind::Audio, SampleKind::Midi,
                            SampleKind::Text, SampleKind::Random, SampleKind::Runs}) {
        SCOPED_TRACE(SampleKindName(kind));
        std::vector<uint8_t> file = MakeSample(kind, 100000, 7);
        CompressOptions fast;
        fast.level = CompressLevel::Fast;
        std::vector<uint8_t> greedy = CompressBlock(file.data(), file.size(), fast);
        std::vector<uint8_t> best = CompressBlock(file.data(), file.size());
        EXPECT_EQ(Expand(greedy, file.size()), file);
        EXPECT_EQ(Expand(best, file.size()), file);
        EXPECT_TRUE(Walk(best, file.size()).sound);
        EXPECT_LE(best.size(), greedy.size());
    }
    // Files that end inside the window the parser looks ahead through.
    for (size_t size : {1u, 2u, 3u, 1023u, 1024u, 1025u, 1054u, 1055u, 2100u}) {
        std::vector<uint8_t> file = MakeSample(SampleKind::Text, size, 9);
        EXPECT_EQ(Expand(CompressBlock(file.data(), file.size()), size), file) << size;
    }
}

} // namespace
