// DecodeCharBitByBit: the next symbol of the adaptive code, one GetBit per
// level, for the symbols next to a read of the block (DecodeChar is in
// decode_symbols.h).
#include "package/decoder_state.h"

int DecodeCharBitByBit(void)
{
    unsigned x = child[R];
    while (x < (unsigned)T)
        x = child[x + GetBit()];
    int symbol = (int)(x - T);
    UpdateTree(symbol);
    return symbol;
}
