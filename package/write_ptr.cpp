// WritePtr: collects the expanded bytes and writes them to the destination
// in pieces of 16384 bytes and one last shorter piece.
#include <string.h>

#include "package/decoder.h"
#include "package/decoder_state.h"

void ResetWriter(DecoderState *state, const BlockSink *output)
{
    memset(state->outBuffer, 0, sizeof state->outBuffer);
    state->output = output;
    state->outCount = 0;
    state->outThreshold = 0;
    state->thresholdSet = 0;
    state->roundWritten = 0;
    state->outFastLimit = 0;
    state->writeFailed = 0;
}

void WritePtr(DecoderState *state, uint8_t byte, uint32_t originalSize)
{
    state->outBuffer[state->outCount] = byte;
    state->outCount++;
    if (!state->thresholdSet) {
        if (state->roundWritten >= originalSize)
            state->roundWritten = 0;
        uint32_t left = originalSize - state->roundWritten;
        state->outThreshold = (uint16_t)(left < (uint32_t)kBlockBufferSize ? left : (uint32_t)kBlockBufferSize);
        state->thresholdSet = 1;
    }
    // outThreshold is between 1 and the buffer size, so the buffer is
    // written out before it could overflow.
    // After a write that fell short nothing more is written: the file is
    // incomplete anyway, and the caller learns it from the decoder's end.
    if (state->outCount >= state->outThreshold) {
        if (!state->writeFailed &&
            state->output->write(state->output->context, state->outBuffer, state->outCount) < state->outCount)
            state->writeFailed = 1;
        state->roundWritten += state->outCount;
        state->outCount = 0;
        state->thresholdSet = 0;
    }
    state->outFastLimit = state->thresholdSet ? (uint16_t)(state->outThreshold - 1) : 0;
}
