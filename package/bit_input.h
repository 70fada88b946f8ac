// The inline half of the bit reader: GetBit and GetByte, and FillBits,
// which lets DecodeChar and DecodePosition take a whole code at once.
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

// Tops bitBuffer up from ReadPtr's buffer (zero bits past the block's end)
// to more than 24 bits, without reading the block.  Returns nonzero when it
// got there and the byte after the ones taken needs no read either.  Then
// up to 25 bits may be taken straight from bitBuffer: the plain rule would
// take at most one byte more than those held meanwhile, and that byte is
// buffered.  (A code of the adaptive tree is at most 21 bits long: a leaf at
// depth d needs a root count of at least Fib(d + 2), and the root's count
// stays at or below 0x8000; a position code is at most 14 bits.)
//
// Below its bitCount valid bits, bitBuffer holds either zero bits or the
// bits of the block that follow, so a byte or'ed in later over bits that
// are already there changes nothing.
inline int FillBits(void)
{
    if (bitCount > 24)
        return inAvailable > 0 || remainingInput == 0;
    if (inAvailable >= 5) {
        // Four buffered bytes at once (inAvailable never exceeds
        // remainingInput, so they are all the block's); those that fit
        // whole are taken.
        const uint8_t *next = inBuffer + inPosition;
        uint32_t word = (uint32_t)next[0] << 24 | (uint32_t)next[1] << 16 | (uint32_t)next[2] << 8 | next[3];
        unsigned taken = (32u - bitCount) / 8;
        bitBuffer |= word >> bitCount;
        inPosition = (uint16_t)(inPosition + taken);
        inAvailable = (int16_t)(inAvailable - taken);
        remainingInput -= taken;
        bitCount = (uint8_t)(bitCount + 8 * taken);
        return 1;
    }
    return FillBitsNearEnd();
}

inline int GetBit(void)
{
    if (bitCount <= 8)
        RefillBits();
    int bit = (int)(bitBuffer >> 31);
    bitBuffer <<= 1;
    bitCount--;
    return bit;
}

inline int GetByte(void)
{
    if (bitCount <= 8)
        RefillBits();
    int byte = (int)(bitBuffer >> 24);
    bitBuffer <<= 8;
    bitCount = (uint8_t)(bitCount - 8);
    return byte;
}

#endif
