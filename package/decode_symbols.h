// ReadSymbol and DecodePosition, inline for DecodeBlock.  Both take their
// whole code from bitBuffer when FillBits allows it; next to a read of the
// block they go one GetBit at a time (read_symbol.cpp,
// decode_position.cpp).
#ifndef PACKAGE_DECODE_SYMBOLS_H
#define PACKAGE_DECODE_SYMBOLS_H

#include "package/bit_input.h"
#include "package/decoder_state.h"
#include "package/huffman_tree.h"
#include "package/position_code.h"

// The next symbol (0-283), not yet counted in the tree: the caller passes
// it to UpdateTree before the next one is read.  (The decoding rules'
// DecodeChar is the two together; DecodeBlock counts a symbol after its
// bytes are out.)
inline int ReadSymbol(void)
{
    if (!FillBits())
        return ReadSymbolBitByBit();
    // The first levels from the table, then one bit per level: bit 0
    // picks the first child.
    BitWord bits = bitBuffer;
    unsigned entry = prefixTable[bits >> (kWordBits - kPrefixBits)];
    unsigned depth = entry >> 10;
    bits <<= depth;
    size_t x = child[entry & 1023];
    while (x < (size_t)T) {
        x = child[x + (bits >> (kWordBits - 1))];
        bits <<= 1;
        depth++;
    }
    bitBuffer = bits;
    bitCount = (uint8_t)(bitCount - depth);
    return (int)(x - T);
}

// The next match position (0-4095): the upper six bits by the fixed prefix
// code that the first eight bits begin with, then the lower six bits.
inline int DecodePosition(void)
{
    if (!FillBits())
        return DecodePositionBitByBit();
    unsigned first = (unsigned)(bitBuffer >> (kWordBits - 8));
    unsigned length = positionCodeLength[first] + 6u;
    unsigned code = (unsigned)(bitBuffer >> (kWordBits - length));
    bitBuffer <<= length;
    bitCount = (uint8_t)(bitCount - length);
    return positionUpperBits[first] * 64 + (int)(code & 63);
}

#endif
