// ReadSymbolBitByBit: the next symbol of the adaptive code, one GetBit per
// level, for the symbols next to a read of the block (ReadSymbol is in
// decode_symbols.h).
#include "package/bit_input.h"
#include "package/decoder_state.h"

int ReadSymbolBitByBit(DecoderState *state)
{
    unsigned x = state->tree.child[kRootNode];
    while (x < (unsigned)kTreeSize)
        x = state->tree.child[x + GetBit(state)];
    return (int)(x - kTreeSize);
}
