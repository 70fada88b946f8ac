// Compressing a package's files on several threads gives the blocks that
// compressing them one by one gives, in the files' order, and reports
// every input byte.
#include <gtest/gtest.h>

#include <vector>

#include "scrpack/package_file/compress_files.h"
#include "tests/unit/sample_corpus.h"

namespace {

TEST(CompressFilesTest, SameBlocksInOrderWhateverTheThreads)
{
    std::vector<Bytes> contents = {
        MakeSample(SampleKind::Text, 90000, 1),    MakeSample(SampleKind::Program, 150000, 2),
        MakeSample(SampleKind::Runs, 5000, 3),     MakeSample(SampleKind::Audio, 120000, 4),
        MakeSample(SampleKind::Midi, 30000, 5),    {'x'},
        MakeSample(SampleKind::Bitmap, 60000, 6),
    };
    std::vector<const Bytes *> files;
    size_t total = 0;
    for (const Bytes &content : contents) {
        files.push_back(&content);
        total += content.size();
    }
    for (CompressLevel level : {CompressLevel::Fast, CompressLevel::Best}) {
        CompressOptions options;
        options.level = level;
        std::vector<Bytes> alone;
        for (const Bytes &content : contents)
            alone.push_back(CompressBlock(content.data(), content.size(), options));
        for (unsigned threads : {1u, 2u, 3u, 16u}) {
            size_t reported = 0;
            std::vector<Bytes> blocks =
                CompressFiles(files, options, threads, [&](size_t bytes) { reported += bytes; });
            EXPECT_EQ(blocks, alone) << threads << " threads";
            EXPECT_EQ(reported, total) << threads << " threads";
        }
    }
    EXPECT_TRUE(CompressFiles({}, CompressOptions(), 4).empty());
}

TEST(CompressFilesTest, PrecompressedBlocksAreHandedOutByContent)
{
    Bytes first = MakeSample(SampleKind::Text, 20000, 1), second = MakeSample(SampleKind::Text, 20000, 2);
    Bytes other = MakeSample(SampleKind::Text, 20000, 3);
    Compressor compress = PrecompressedBlocks({&first, &second}, {{1, 2, 3}, {4, 5}}, CompressOptions());
    EXPECT_EQ(compress(second), Bytes({4, 5}));
    EXPECT_EQ(compress(first), Bytes({1, 2, 3}));
    // Content that was not made beforehand is compressed on the spot.
    EXPECT_EQ(compress(other), CompressBlock(other.data(), other.size()));
}

} // namespace
