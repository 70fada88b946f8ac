// DecodeBlock over arbitrary blocks and sizes.
//
// Input: 4 bytes originalSize, 4 bytes storedSize, 1 byte of flags, then
// the block.  originalSize is kept below 128 KB (sizes of 2^31 and up are
// passed as they are: they decode nothing); storedSize may claim more bytes
// than there are, which makes the reads fall short; the output may fill
// up.  Checked: the output never exceeds originalSize; a block that ends
// whole gave all of it; only a Cancel (or a size the decoder does not
// count to) ends it as cancelled; a write that fell short is reported and
// stops the decoding at its next check; nothing past storedSize is read.
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
    CopyEnd end = DecodeBlock(&decoder, &source.source, &sink.sink, in.originalSize, in.storedSize, &pump);

    bool counted = in.originalSize <= kMaxExpandedSize;
    if (sink.count > (counted ? in.originalSize : 0) || source.position > in.storedSize)
        abort();
    if (end == kCopyWhole && sink.count != (counted ? in.originalSize : 0))
        abort();
    bool aborted = abortAtStep != 0 && !exempt && pumpSteps == abortAtStep;
    if (end == kCopyCancelled && !aborted)
        abort();
    // The write that falls short comes within a buffer of the room; the
    // next check, which stops the decoding, before the next pump step.
    if (end == kCopyShortWrite &&
        (sink.room != 0 || pumpSteps > 1 + (int)((room + kBlockBufferSize) / kPumpInterval)))
        abort();
    return 0;
}
