// Decoding symbol by symbol with the decoder's own routines, for the tests
// that look at the code and the tree between symbols.
#ifndef TESTS_UNIT_SYMBOL_WALK_H
#define TESTS_UNIT_SYMBOL_WALK_H

#include "package/bit_input.h"
#include "package/decode_symbols.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "package/huffman_tree.h"

// Leaves state as DecodeBlock has it before the first symbol of a block of
// storedSize bytes from input (no input and size 0: zero bits only).
inline void StartSymbolWalk(DecoderState *state, const BlockSource *input, uint32_t storedSize)
{
    DecodeBlock(state, input, nullptr, 0, storedSize, nullptr); // a block of no bytes only resets
    ResetReader(state, input); // which lets go of input: the walk reads on
    StartHuffman(state);
}

// The next symbol, counted in the tree: the decoding rules' DecodeChar.
inline int DecodeChar(DecoderState *state)
{
    int symbol = ReadSymbol(state);
    UpdateTree(state, symbol);
    return symbol;
}

#endif
