// The bit reader's state and its refill through ReadPtr: the block's bits,
// most significant first, with zero bits once the block's bytes are used up.
#include "package/decoder_state.h"

FILE *inputStream;
BitWord bitBuffer;
uint8_t bitCount;
uint32_t remainingInput;

void RefillBits(void)
{
    while (bitCount <= 8) {
        BitWord byte = 0;
        if (remainingInput != 0) {
            byte = (BitWord)ReadPtr(inputStream, remainingInput);
            remainingInput--;
        }
        bitBuffer |= byte << (kWordBits - 8 - bitCount);
        bitCount = (uint8_t)(bitCount + 8);
    }
}

int FillBitsNearEnd(void)
{
    while (bitCount <= kWordBits - 8) {
        if (remainingInput == 0) {
            bitCount = (uint8_t)(bitCount + 8);
            continue;
        }
        if (inAvailable < 1)
            return 0;
        // The loop runs while bitCount <= kWordBits - 8: the shift is never
        // negative.
        // cppcheck-suppress [shiftNegative, signConversionCond]
        bitBuffer |= (BitWord)inBuffer[inPosition] << (kWordBits - 8 - bitCount);
        inPosition++;
        inAvailable--;
        remainingInput--;
        bitCount = (uint8_t)(bitCount + 8);
    }
    return inAvailable > 0 || remainingInput == 0;
}
