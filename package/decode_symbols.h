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
inline int ReadSymbol(DecoderState *state)
{
    if (!FillBits(state))
        return ReadSymbolBitByBit(state);
    // The first levels from the table, then one bit per level: bit 0
    // picks the first child.
    BitWord bits = state->bitBuffer;
    unsigned entry = state->prefixTable[bits >> (kWordBits - kPrefixBits)];
    unsigned depth = entry >> 10;
    bits <<= depth;
    size_t x = state->tree.child[entry & 1023];
    while (x < (size_t)kTreeSize) {
        x = state->tree.child[x + (bits >> (kWordBits - 1))];
        bits <<= 1;
        depth++;
    }
    state->bitBuffer = bits;
    state->bitCount = (uint8_t)(state->bitCount - depth);
    return (int)(x - kTreeSize);
}

// The next match position (0-4095): the upper six bits by the fixed prefix
// code that the first eight bits begin with, then the lower six bits.
inline int DecodePosition(DecoderState *state)
{
    if (!FillBits(state))
        return DecodePositionBitByBit(state);
    BitWord bits = state->bitBuffer;
    unsigned first = (unsigned)(bits >> (kWordBits - 8));
    unsigned length = positionCodeLength[first] + 6u;
    unsigned code = (unsigned)(bits >> (kWordBits - length));
    state->bitBuffer = bits << length;
    state->bitCount = (uint8_t)(state->bitCount - length);
    return positionUpperBits[first] * 64 + (int)(code & 63);
}

#endif
