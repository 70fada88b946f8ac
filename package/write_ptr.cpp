// WritePtr: collects the expanded bytes and writes them to the destination
// in pieces of 16384 bytes and one last shorter piece.
#include <string.h>

#include "package/decoder_state.h"

uint8_t outBuffer[kBlockBufferSize];
uint16_t outCount;
uint16_t outThreshold;
int32_t thresholdSet;
uint32_t roundWritten;
uint16_t outFastLimit;

int WritePtr(FILE *output, uint8_t byte, uint32_t originalSize)
{
    if (output == NULL) {
        memset(outBuffer, 0, sizeof outBuffer);
        outCount = 0;
        outThreshold = 0;
        thresholdSet = 0;
        roundWritten = 0;
        outFastLimit = 0;
        return 0;
    }
    outBuffer[outCount] = byte;
    outCount++;
    if (!thresholdSet) {
        if (roundWritten >= originalSize)
            roundWritten = 0;
        uint32_t left = originalSize - roundWritten;
        outThreshold = (uint16_t)(left < (uint32_t)kBlockBufferSize ? left : (uint32_t)kBlockBufferSize);
        thresholdSet = 1;
    }
    // outThreshold is between 1 and the buffer size, so the buffer is
    // written out before it could overflow.
    if (outCount >= outThreshold) {
        if (fwrite(outBuffer, 1, outCount, output) < outCount)
            FatalError();
        roundWritten += outCount;
        outCount = 0;
        thresholdSet = 0;
    }
    outFastLimit = thresholdSet ? (uint16_t)(outThreshold - 1) : 0;
    return 0;
}
