// DecodeBlock over arbitrary blocks and sizes.
//
// Input: 4 bytes originalSize, 4 bytes storedSize, 1 byte of flags, then
// the block.  originalSize is kept below 128 KB (sizes of 2^31 and up are
// passed as they are: they decode nothing); storedSize may claim more bytes
// than there are, which makes the reads fall short; the output may fill
// up.  Checked: the output never exceeds originalSize, equals what
// DecodeBlock reports unless a write fell short, which is reported and
// soon stops the decoding, and nothing past storedSize is read.
#include <stdlib.h>

#include <cstdint>

#include "fuzz/block_input.h"
#include "fuzz/fuzz_streams.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

static DecoderState decoder;
static int pumpSteps;
static int abortAtStep;
static bool exempt;

// Cancel confirmed at step abortAtStep: the decoding stops there unless
// the block is exempt.
static int CountStepAndAbort(void *)
{
    return ++pumpSteps == abortAtStep && !exempt;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BlockInput in;
    if (!ParseBlockInput(data, size, &in))
        return 0;
    FuzzSource source{in.block, in.blockSize};

    // Flags: an abort at the first, second or third pump step (or none),
    // whether the block is exempt, and how many 4096 bytes the output
    // takes before it is full (0: no limit).
    pumpSteps = 0;
    abortAtStep = in.flags & 3;
    exempt = (in.flags >> 2) & 1;
    const PumpHook pump = {CountStepAndAbort, nullptr};

    FuzzSink sink;
    sink.keep = false;
    size_t room = in.flags >> 3 ? (size_t)(in.flags >> 3) * 4096 : SIZE_MAX;
    sink.room = room;
    FILE *input = OpenSource(&source);
    FILE *output = OpenSink(&sink);
    int32_t produced = DecodeBlock(&decoder, input, output, in.originalSize, in.storedSize, &pump);
    fclose(input);
    fclose(output);

    if (produced < 0 || sink.count > (size_t)produced || source.position > in.storedSize)
        abort();
    if (in.originalSize >= 0x80000000u ? produced != 0 : (uint32_t)produced > in.originalSize)
        abort();
    if (decoder.writeFailed && (sink.room != 0 || (size_t)produced > room + kBlockBufferSize + kPumpInterval + F))
        abort();
    bool stopped = decoder.writeFailed || (abortAtStep != 0 && !exempt && pumpSteps == abortAtStep);
    if (!stopped && in.originalSize < 0x80000000u && sink.count != in.originalSize)
        abort();
    return 0;
}
