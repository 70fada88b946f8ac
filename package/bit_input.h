// The inline half of the bit reader: GetBit and GetByte, and FillBits,
// which lets ReadSymbol and DecodePosition take a whole code at once.
//
// The block is read through ReadPtr in pieces of 16384 bytes.  Each GetBit
// and GetByte first makes sure that more than eight bits are held, taking
// the next byte of the block when not; a read of the block happens when
// that byte starts a new piece.  FillBits takes bytes ahead of that rule,
// but only bytes already in ReadPtr's buffer, so every read still happens
// at the same GetBit or GetByte as under the plain rule, between the same
// writes and pump steps.
#ifndef PACKAGE_BIT_INPUT_H
#define PACKAGE_BIT_INPUT_H

#include "package/decoder_state.h"

// Makes sure that the next code can be taken straight from bitBuffer, and
// returns nonzero when it can.  Codes are at most 21 bits long: a leaf of
// the adaptive tree at depth d needs a root count of at least Fib(d + 2),
// and the root's count stays at or below 0x8000; a position code is at
// most 14 bits.
//
// The plain rule keeps more than eight bits before each bit it takes, so
// while d bits are taken it never needs a byte beyond those held when at
// least d + 8 are held, and at most the next one when d are.  So 29 held
// bits are enough.  Otherwise bitBuffer is topped up from ReadPtr's buffer
// to more than kWordBits - 8 bits, leaving at least one byte there, or,
// next to the end of that buffer, byte by byte (with zero bits past the
// block's end); when the byte after those taken would need a read, it
// returns 0 and the code is taken one GetBit at a time.
//
// Below its bitCount valid bits, bitBuffer holds either zero bits or the
// bits of the block that follow, so a byte or'ed in later over bits that
// are already there changes nothing.
inline int FillBits(DecoderState *state)
{
    unsigned bitCount = state->bitCount;
    if (bitCount >= 29)
        return 1;
    if (state->inAvailable > (int)sizeof(BitWord)) {
        // A word of buffered bytes at once (inAvailable never exceeds
        // remainingInput, so they are all the block's); those that fit
        // whole are taken.
        const uint8_t *next = state->inBuffer + state->inPosition;
        BitWord word;
        if (sizeof(BitWord) == 8)
            word = (BitWord)((uint64_t)next[0] << 56 | (uint64_t)next[1] << 48 | (uint64_t)next[2] << 40 |
                             (uint64_t)next[3] << 32 | (uint64_t)next[4] << 24 | (uint64_t)next[5] << 16 |
                             (uint64_t)next[6] << 8 | next[7]);
        else
            word = (BitWord)((uint32_t)next[0] << 24 | (uint32_t)next[1] << 16 | (uint32_t)next[2] << 8 | next[3]);
        unsigned taken = (kWordBits - bitCount) / 8u;
        state->bitBuffer |= word >> bitCount;
        state->inPosition = (uint16_t)(state->inPosition + taken);
        state->inAvailable = (int16_t)(state->inAvailable - taken);
        state->remainingInput -= taken;
        state->bitCount = (uint8_t)(bitCount + 8 * taken);
        return 1;
    }
    return FillBitsNearEnd(state);
}

inline int GetBit(DecoderState *state)
{
    if (state->bitCount <= 8)
        RefillBits(state);
    int bit = (int)(state->bitBuffer >> (kWordBits - 1));
    state->bitBuffer <<= 1;
    state->bitCount--;
    return bit;
}

inline int GetByte(DecoderState *state)
{
    if (state->bitCount <= 8)
        RefillBits(state);
    int byte = (int)(state->bitBuffer >> (kWordBits - 8));
    state->bitBuffer <<= 8;
    state->bitCount = (uint8_t)(state->bitCount - 8);
    return byte;
}

#endif
