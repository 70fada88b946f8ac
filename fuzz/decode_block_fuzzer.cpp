// DecodeBlock over arbitrary blocks and sizes.
//
// Input: 4 bytes originalSize, 4 bytes storedSize, 1 byte of flags, then
// the block.  originalSize is kept below 128 KB (sizes of 2^31 and up are
// passed as they are: they decode nothing); storedSize may claim more bytes
// than there are, which makes the reads fall short.  Checked: the output
// never exceeds originalSize, equals what DecodeBlock reports, and nothing
// past storedSize is read.
#include <stdlib.h>

#include <cstdint>

#include "engine/extraction.h"
#include "engine/message_pump.h"
#include "fuzz/fuzz_streams.h"
#include "package/decoder.h"

static int pumpSteps;
static int abortAtStep;

void RunMessagePumpStep(void)
{
    if (++pumpSteps == abortAtStep)
        abortRequested = 1;
}

static uint32_t Load32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 9)
        return 0;
    uint32_t originalSize = Load32(data);
    if (originalSize < 0x80000000u)
        originalSize %= 1u << 17;
    uint32_t storedSize = Load32(data + 4);
    uint8_t flags = data[8];
    FuzzSource source{data + 9, size - 9};
    storedSize %= (uint32_t)source.size + 64;

    // Flags: an abort at the first, second or third pump step (or none),
    // and whether the block is exempt.
    pumpSteps = 0;
    abortAtStep = flags & 3;
    abortRequested = 0;
    abortExempt = (flags >> 2) & 1;

    FuzzSink sink;
    sink.keep = false;
    FILE *input = OpenSource(&source);
    FILE *output = OpenSink(&sink);
    int32_t produced = DecodeBlock(input, output, originalSize, storedSize);
    fclose(input);
    fclose(output);

    if (produced < 0 || sink.count > (size_t)produced || source.position > storedSize)
        abort();
    if (originalSize >= 0x80000000u ? produced != 0 : (uint32_t)produced > originalSize)
        abort();
    bool stopped = abortAtStep != 0 && !abortExempt && pumpSteps == abortAtStep;
    if (!stopped && originalSize < 0x80000000u && sink.count != originalSize)
        abort();
    return 0;
}
