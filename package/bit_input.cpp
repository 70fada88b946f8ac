// The bit reader's refill through ReadPtr: the block's bits, most
// significant first, with zero bits once the block's bytes are used up,
// counted in fillBits.
#include "package/decoder_state.h"

void RefillBits(DecoderState *state)
{
    while (state->bitCount <= 8) {
        BitWord byte = 0;
        if (state->remainingInput != 0) {
            byte = (BitWord)ReadPtr(state, state->remainingInput);
            state->remainingInput--;
        } else {
            state->fillBits += 8;
        }
        state->bitBuffer |= byte << (kWordBits - 8 - state->bitCount);
        state->bitCount = (uint8_t)(state->bitCount + 8);
    }
}

int FillBitsNearEnd(DecoderState *state)
{
    while (state->bitCount <= kWordBits - 8) {
        if (state->remainingInput == 0) {
            state->bitCount = (uint8_t)(state->bitCount + 8);
            state->fillBits += 8;
            continue;
        }
        if (state->inAvailable < 1)
            return 0;
        // The loop runs while bitCount <= kWordBits - 8: the shift is never
        // negative.
        // cppcheck-suppress [shiftNegative, signConversionCond]
        state->bitBuffer |= (BitWord)state->inBuffer[state->inPosition] << (kWordBits - 8 - state->bitCount);
        state->inPosition++;
        state->inAvailable--;
        state->remainingInput--;
        state->bitCount = (uint8_t)(state->bitCount + 8);
    }
    return state->inAvailable > 0 || state->remainingInput == 0;
}
