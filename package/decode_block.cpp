// DecodeBlock and DecodeBlockOnOwnState: expand one compressed block from
// a byte source into a byte sink.
#include "package/decode_loop.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

// The decoder's own state, for DecodeBlockOnOwnState: static, because at a
// fixed address the 32-bit decoding loop spends about 4 % fewer
// instructions per byte than through a pointer (decode_loop.h).
static DecoderState ownState;

// The caller's source and sink need not outlive the call: the state keeps
// no pointer to them.
static void LetGoOfStreams(DecoderState *state)
{
    state->input = NULL;
    state->output = NULL;
}

CopyEnd DecodeBlock(DecoderState *state, const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                    uint32_t storedSize, const PumpHook *pump)
{
    CopyEnd end = DecodeBlockInline(state, input, output, originalSize, storedSize, pump);
    LetGoOfStreams(state);
    return end;
}

CopyEnd DecodeBlockOnOwnState(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                              uint32_t storedSize, const PumpHook *pump)
{
    CopyEnd end = DecodeBlockInline(&ownState, input, output, originalSize, storedSize, pump);
    LetGoOfStreams(&ownState);
    return end;
}

uint64_t UsedBlockBits(const DecoderState *state, uint32_t storedSize)
{
    return 8ull * (storedSize - state->remainingInput) + state->fillBits - state->bitCount;
}
