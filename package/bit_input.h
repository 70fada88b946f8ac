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
inline int FillBits(void)
{
    if (bitCount >= 29)
        return 1;
    if (inAvailable > (int)sizeof(BitWord)) {
        // A word of buffered bytes at once (inAvailable never exceeds
        // remainingInput, so they are all the block's); those that fit
        // whole are taken.
        const uint8_t *next = inBuffer + inPosition;
        BitWord word;
        if (sizeof(BitWord) == 8)
            word = (BitWord)((uint64_t)next[0] << 56 | (uint64_t)next[1] << 48 | (uint64_t)next[2] << 40 |
                             (uint64_t)next[3] << 32 | (uint64_t)next[4] << 24 | (uint64_t)next[5] << 16 |
                             (uint64_t)next[6] << 8 | next[7]);
        else
            word = (BitWord)((uint32_t)next[0] << 24 | (uint32_t)next[1] << 16 | (uint32_t)next[2] << 8 | next[3]);
        unsigned taken = (kWordBits - bitCount) / 8u;
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
    int bit = (int)(bitBuffer >> (kWordBits - 1));
    bitBuffer <<= 1;
    bitCount--;
    return bit;
}

inline int GetByte(void)
{
    if (bitCount <= 8)
        RefillBits();
    int byte = (int)(bitBuffer >> (kWordBits - 8));
    bitBuffer <<= 8;
    bitCount = (uint8_t)(bitCount - 8);
    return byte;
}

#endif
