// ReadSymbolBitByBit: the next symbol of the adaptive code, one GetBit per
// level, for the symbols next to a read of the block (ReadSymbol is in
// decode_symbols.h).
#include "package/decoder_state.h"

int ReadSymbolBitByBit(void)
{
    unsigned x = child[R];
    while (x < (unsigned)T)
        x = child[x + GetBit()];
    return (int)(x - T);
}
