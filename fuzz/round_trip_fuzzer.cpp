// Encode arbitrary bytes, decode the block, and compare.  The first byte
// chooses the encoder's chain length; the rest is the file.
#include <stdlib.h>
#include <string.h>

#include <cstdint>

#include "fuzz/fuzz_streams.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/codec/compress.h"

static DecoderState decoder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    CompressOptions options;
    options.maxChain = 1 + data[0] % 64 * (data[0] >= 128 ? 16 : 1);
    const uint8_t *file = data + 1;
    size_t fileSize = size - 1;
    std::vector<uint8_t> block = CompressBlock(file, fileSize, options);

    FuzzSource source{block.data(), block.size()};
    FuzzSink sink;
    CopyEnd end = DecodeBlock(&decoder, &source.source, &sink.sink, (uint32_t)fileSize, (uint32_t)block.size(), nullptr);

    if (end != kCopyWhole || sink.bytes.size() != fileSize ||
        memcmp(sink.bytes.data(), file, fileSize) != 0)
        abort();
    return 0;
}
