// DecodeChar: the next symbol of the adaptive code.
#include "package/decoder_state.h"

int DecodeChar(void)
{
    unsigned x = child[R];
    while (x < (unsigned)T)
        x = child[x + GetBit()];
    int symbol = (int)(x - T);
    UpdateTree(symbol);
    return symbol;
}
