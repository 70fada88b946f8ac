// DecodeBlock: expands one compressed block from input into output.
#include "package/decoder.h"
#include "package/decode_loop.h"

int32_t DecodeBlock(DecoderState *state, FILE *input, FILE *output, uint32_t originalSize, uint32_t storedSize,
                    const PumpHook *pump)
{
    return DecodeBlockInline(state, input, output, originalSize, storedSize, pump);
}
