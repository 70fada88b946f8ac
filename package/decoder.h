// The decompressor: expands one compressed block from a byte source into a
// byte sink.  It reads no file and writes none itself: the installer's
// extraction gives it its own file and the destination (engine/), scrpack,
// the tests and the fuzzers give it memory.
#ifndef PACKAGE_DECODER_H
#define PACKAGE_DECODER_H

#include <stdint.h>

#include "package/pump_hook.h"

// The decoder's state (decoder_state.h).
struct DecoderState;

// Where the block's bytes come from: read puts up to count bytes into
// buffer and returns how many it put there, fewer than count only when the
// bytes have run out or can't be read.  The decoder asks for the block's
// bytes only, in pieces of at most 16384.
struct BlockSource {
    uint32_t (*read)(void *context, uint8_t *buffer, uint32_t count);
    void *context;
};

// Where the expanded bytes go: write takes count bytes and returns how many
// it took; fewer is a write that fell short (a full disk), after which the
// decoder writes nothing more.
struct BlockSink {
    uint32_t (*write)(void *context, const uint8_t *buffer, uint32_t count);
    void *context;
};

// The largest originalSize the decoder expands: it counts its output in 32
// signed bits.  A record above it expands to nothing, and DecodeBlock ends
// it as whole.
enum : uint32_t { kMaxExpandedSize = 0x7FFFFFFFu };

// Decodes the block of storedSize bytes from input into originalSize bytes
// to output, running pump's step after the first symbol and every
// kPumpInterval bytes of output, and stopping when it asks to.  Returns how
// it ended: kCopyWhole, kCopyCancelled (the step asked to stop),
// kCopyShortWrite (a write fell short) or kCopyInputEnded (the block's
// bytes ran out, or its code went on past its end, before originalSize
// bytes were out).  It never ends the process.  state is the caller's, its
// earlier content of no account; one state serves any number of blocks,
// one at a time.
CopyEnd DecodeBlock(DecoderState *state, const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                    uint32_t storedSize, const PumpHook *pump);

// The same on the decoder's own state, one block at a time, as the
// installer runs it: the state is static, which keeps it off the stack and
// the heap and lets the 32-bit decoding loop reach it at fixed addresses
// (decode_loop.h).
CopyEnd DecodeBlockOnOwnState(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                              uint32_t storedSize, const PumpHook *pump);

// The bits of the last block decoded on state that its code used: those
// taken in, the zero bits past the block's end included, less those still
// held.  More than 8 * storedSize when the code went on past its end.
uint64_t UsedBlockBits(const DecoderState *state, uint32_t storedSize);

#endif
