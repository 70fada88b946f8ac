// The decompressor: expands one compressed block into a file.
#ifndef PACKAGE_DECODER_H
#define PACKAGE_DECODER_H

#include <stdint.h>
#include <stdio.h>

#include "package/platform.h"
#include "package/pump_hook.h"

// The decoder's state (decoder_state.h).
struct DecoderState;

// Expands the block [dataOffset, dataOffset + storedSize) of the
// installer's own file into destination (created or truncated), running
// pump's step after the first symbol and every kPumpInterval bytes of
// output, and stopping when it asks to.  Returns how it ended; it never
// ends the process.  The decoder's state is ExpandFile's own.
CopyEnd ExpandFile(HINSTANCE instance, uint32_t dataOffset, uint32_t originalSize, uint32_t storedSize,
               const char *destination, const PumpHook *pump);

// Decodes from input (positioned at the block's first byte) to output,
// with pump as for ExpandFile; returns the number of bytes produced.
// state is the caller's, its earlier content of no account; afterwards its
// writeFailed tells whether a write to output fell short.
int32_t DecodeBlock(DecoderState *state, FILE *input, FILE *output, uint32_t originalSize, uint32_t storedSize,
                    const PumpHook *pump);

#endif
