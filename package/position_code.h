// The fixed prefix code for the upper six bits of a match position, as
// decoding tables indexed by the next eight bits of the stream.
#ifndef PACKAGE_POSITION_CODE_H
#define PACKAGE_POSITION_CODE_H

#include <stdint.h>

// The upper six bits of the position that these eight bits begin with.
extern const uint8_t positionUpperBits[256];
// The length in bits (3 to 8) of the prefix code they begin with.
extern const uint8_t positionCodeLength[256];

#endif
