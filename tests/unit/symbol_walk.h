// Decoding symbol by symbol with the decoder's own routines, for the tests
// that look at the code and the tree between symbols.
#ifndef TESTS_UNIT_SYMBOL_WALK_H
#define TESTS_UNIT_SYMBOL_WALK_H

#include <stdio.h>

#include "package/decoder.h"
#include "package/decoder_state.h"

// Leaves the decoder as DecodeBlock has it before the first symbol of a
// block of storedSize bytes from input (no input and size 0: zero bits
// only).
inline void StartSymbolWalk(FILE *input, uint32_t storedSize)
{
    DecodeBlock(input, nullptr, 0, storedSize, nullptr); // a block of no bytes only resets
    StartHuffman();
}

// The next symbol, counted in the tree: the decoding rules' DecodeChar.
inline int DecodeChar(void)
{
    int symbol = ReadSymbol();
    UpdateTree(symbol);
    return symbol;
}

#endif
