// GetBit and GetByte: the block's bits, most significant first, with zero
// bits once the block's bytes are used up.
#include "package/decoder_state.h"

FILE *inputStream;
uint16_t bitBuffer;
uint8_t bitCount;
uint32_t remainingInput;

// Tops the buffer up to more than eight bits.
static void RefillBits(void)
{
    while (bitCount <= 8) {
        int byte = 0;
        if (remainingInput != 0) {
            byte = ReadPtr(inputStream, remainingInput);
            remainingInput--;
        }
        bitBuffer = (uint16_t)(bitBuffer | (byte << (8 - bitCount)));
        bitCount = (uint8_t)(bitCount + 8);
    }
}

int GetBit(void)
{
    RefillBits();
    int bit = bitBuffer >> 15;
    bitBuffer = (uint16_t)(bitBuffer << 1);
    bitCount--;
    return bit;
}

int GetByte(void)
{
    RefillBits();
    int byte = bitBuffer >> 8;
    bitBuffer = (uint16_t)(bitBuffer << 8);
    bitCount = (uint8_t)(bitCount - 8);
    return byte;
}
