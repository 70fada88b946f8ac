// The bit reader's state and its refill through ReadPtr: the block's bits,
// most significant first, with zero bits once the block's bytes are used up.
#include "package/decoder_state.h"

FILE *inputStream;
uint32_t bitBuffer;
uint8_t bitCount;
uint32_t remainingInput;

void RefillBits(void)
{
    while (bitCount <= 8) {
        uint32_t byte = 0;
        if (remainingInput != 0) {
            byte = (uint32_t)ReadPtr(inputStream, remainingInput);
            remainingInput--;
        }
        bitBuffer |= byte << (24 - bitCount);
        bitCount = (uint8_t)(bitCount + 8);
    }
}

int FillBitsNearEnd(void)
{
    while (bitCount <= 24) {
        if (remainingInput == 0) {
            bitCount = (uint8_t)(bitCount + 8);
            continue;
        }
        if (inAvailable < 1)
            return 0;
        bitBuffer |= (uint32_t)inBuffer[inPosition] << (24 - bitCount);
        inPosition++;
        inAvailable--;
        remainingInput--;
        bitCount = (uint8_t)(bitCount + 8);
    }
    return inAvailable > 0 || remainingInput == 0;
}
