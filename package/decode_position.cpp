// DecodePositionBitByBit: the next match position, its upper six bits by
// the fixed prefix code and its lower six bits as they are, taken through
// GetByte and GetBit (DecodePosition is in decode_symbols.h).
#include "package/bit_input.h"
#include "package/decoder_state.h"
#include "package/position_code.h"

int DecodePositionBitByBit(DecoderState *state)
{
    int b = GetByte(state);
    int upper = positionUpperBits[b];
    int length = positionCodeLength[b];
    for (int i = 0; i < length - 2; i++)
        b = 2 * b + GetBit(state);
    return upper * 64 + (b % 64);
}
