// The installer's decoder against the plain decoder (tests/unit/plain_decoder.h)
// on arbitrary blocks: the same output, the same end, the same reads,
// writes and pump steps in the same order.
//
// Input: as for decode_block_fuzzer (4 bytes originalSize, 4 bytes
// storedSize, 1 byte of flags, then the block), with three more flag bits:
// bits 0-1 abort at that pump step (0 never), bit 2 exempt, bits 3-7 when
// not 0 let the package end after that many 32nds of the stored size.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/block_input.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "tests/unit/plain_decoder.h"

namespace {

struct Streams {
    const uint8_t *input;
    size_t inputSize;
    size_t position = 0;
    size_t readLimit;
    std::vector<uint8_t> output;
    std::vector<std::string> events;
    size_t readRun = 0, readRunGot = 0;

    // Reads in a row are one event, as in the unit tests.
    void Log(const std::string &event)
    {
        if (readRun) {
            events.push_back("read " + std::to_string(readRun) + " got " + std::to_string(readRunGot));
            readRun = readRunGot = 0;
        }
        if (!event.empty())
            events.push_back(event);
    }
};

int pumpSteps, abortAtStep;
bool exempt;

uint32_t Read(void *context, uint8_t *buffer, uint32_t size)
{
    auto *s = static_cast<Streams *>(context);
    size_t n = std::min({(size_t)size, s->inputSize - s->position, s->readLimit});
    if (n > 0)
        memcpy(buffer, s->input + s->position, n);
    s->position += n;
    s->readLimit -= n;
    s->readRun += size;
    s->readRunGot += n;
    return (uint32_t)n;
}

uint32_t Write(void *context, const uint8_t *buffer, uint32_t size)
{
    auto *s = static_cast<Streams *>(context);
    s->Log("write " + std::to_string(size));
    s->output.insert(s->output.end(), buffer, buffer + size);
    return size;
}

// Cancel confirmed at step abortAtStep stops the decoding unless the block
// is exempt.
int LogStepAndAbort(void *context)
{
    static_cast<Streams *>(context)->Log("pump");
    return ++pumpSteps == abortAtStep && !exempt;
}

// The plain decoder, with its end in the installer decoder's terms.
CopyEnd PlainDecodeBlock(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                         uint32_t storedSize, const PumpHook *pump)
{
    plain::DecodeBlock(input, output, originalSize, storedSize, pump);
    return plain::End(originalSize);
}

} // namespace

template <typename Decoder>
static CopyEnd Run(Decoder decode, Streams *streams, uint32_t originalSize, uint32_t storedSize, uint8_t flags)
{
    pumpSteps = 0;
    abortAtStep = flags & 3;
    exempt = (flags >> 2) & 1;
    const PumpHook pump = {LogStepAndAbort, streams};
    const BlockSource input = {Read, streams};
    const BlockSink output = {Write, streams};
    CopyEnd end = decode(&input, &output, originalSize, storedSize, &pump);
    streams->Log("");
    return end;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BlockInput in;
    if (!ParseBlockInput(data, size, &in))
        return 0;
    size_t readLimit = (in.flags >> 3) ? (size_t)in.storedSize * (in.flags >> 3) / 32 : SIZE_MAX;

    Streams fast{in.block, in.blockSize, 0, readLimit, {}, {}};
    Streams slow{in.block, in.blockSize, 0, readLimit, {}, {}};
    CopyEnd fastEnd = Run(DecodeBlockOnOwnState, &fast, in.originalSize, in.storedSize, in.flags);
    CopyEnd plainEnd = Run(PlainDecodeBlock, &slow, in.originalSize, in.storedSize, in.flags);
    if (fastEnd != plainEnd || fast.output != slow.output || fast.events != slow.events ||
        fast.position != slow.position)
        abort();
    return 0;
}
