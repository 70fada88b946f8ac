// ReadPtr: hands out the bytes of the current block, reading the block in
// pieces of at most 16384 bytes that never run past its end.
#include <string.h>

#include "package/decoder.h"
#include "package/decoder_state.h"

void ResetReader(DecoderState *state, const BlockSource *input)
{
    memset(state->inBuffer, 0, sizeof state->inBuffer);
    state->input = input;
    state->inAvailable = 0;
    state->inPosition = 0;
    state->inputShort = 0;
}

int ReadPtr(DecoderState *state, uint32_t remaining)
{
    if (state->inAvailable < 1) {
        // remaining counts only the block's own bytes, so the last read
        // ends exactly at the block's end.
        uint32_t want = remaining < (uint32_t)kBlockBufferSize ? remaining : (uint32_t)kBlockBufferSize;
        uint32_t got = state->input->read(state->input->context, state->inBuffer, want);
        got = got < want ? got : want; // a source that claims more than it was asked gave no more
        state->inAvailable = (int16_t)got;
        state->inPosition = 0;
        state->inputShort |= got < want;
    }
    // A short read (a package shorter than its records say) is noted in
    // inputShort, which ends the decoding at its next check; until then,
    // after the bytes it got, the reader tries again and, when that brings
    // nothing, hands out what the buffer still holds.  inPosition stays
    // below the bytes read last, or at 0.
    int byte = state->inBuffer[state->inPosition];
    state->inPosition++;
    state->inAvailable--;
    return byte;
}
