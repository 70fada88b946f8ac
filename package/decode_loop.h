// DecodeBlock's loop, inline for the two that run it: DecodeBlock, on any
// caller's state, and DecodeBlockOnOwnState, on the decoder's static one.  The
// installer is a 32-bit program, and the loop needs more registers than
// it has: given the address of a static state, the compiler reaches the
// state's fields at fixed addresses and keeps for the loop's own values
// the register that a pointer to the state would take.  On the 32-bit
// build that saves about 4 % of the instructions per byte.
#ifndef PACKAGE_DECODE_LOOP_H
#define PACKAGE_DECODE_LOOP_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "package/bit_input.h"
#include "package/decode_symbols.h"
#include "package/decoder.h"
#include "package/decoder_state.h"
#include "package/huffman_tree.h"
#include "package/pump_hook.h"

// The fields that change at every byte, in locals while the loop runs:
// where the next expanded byte goes (at, WritePtr's outCount as a pointer
// of its own) and the end of what may go straight into outBuffer (fastEnd,
// WritePtr's outFastLimit), the ring position of the next byte (ringAt)
// and the count of bytes produced (done).  outCount is brought up to date
// before WritePtr sees a byte and when the loop stops; at and fastEnd are
// read again after WritePtr.  ringAt follows from done
// ((kRingFillLength + done) % kRingSize), but working it out from done at every byte
// measured slower: it is kept as a field of its own.
struct OutputCursor {
    uint8_t *at;
    uint8_t *fastEnd;
    unsigned ringAt;
    int32_t done;
};

inline void EmitThroughWritePtr(DecoderState *state, OutputCursor *cursor, uint8_t byte, uint32_t originalSize)
{
    state->outCount = (uint16_t)(cursor->at - state->outBuffer);
    WritePtr(state, byte, originalSize);
    cursor->at = state->outBuffer + state->outCount;
    cursor->fastEnd = state->outBuffer + state->outFastLimit;
}

// Passes one expanded byte on and keeps it in the ring.
inline void EmitByte(DecoderState *state, OutputCursor *cursor, uint8_t byte, uint32_t originalSize)
{
    if (cursor->at < cursor->fastEnd)
        *cursor->at++ = byte;
    else
        EmitThroughWritePtr(state, cursor, byte, originalSize);
    state->ring[cursor->ringAt] = byte;
    cursor->ringAt = (cursor->ringAt + 1) % kRingSize;
    cursor->done++;
}

// Copies a match of length bytes from ring position start.  Byte by byte,
// each stored before the next is taken, so a match closer than its length
// repeats what it has just produced.
inline void CopyMatch(DecoderState *state, OutputCursor *cursor, unsigned start, int length, uint32_t originalSize)
{
    // Most matches neither wrap around the ring nor reach the end of what
    // may go straight into the writer's buffer: then ring and buffer are
    // plain arrays for the whole copy.
    if (length <= cursor->fastEnd - cursor->at && start + length <= kRingSize && cursor->ringAt + length <= kRingSize) {
        // Counted up from -length to 0 behind the ends of the three runs:
        // one register for the count and one for each run, all that the
        // copy needs.
        const uint8_t *fromEnd = state->ring + start + length;
        uint8_t *toEnd = state->ring + cursor->ringAt + length;
        uint8_t *outEnd = cursor->at + length;
        for (ptrdiff_t k = -(ptrdiff_t)length; k != 0; k++) {
            uint8_t byte = fromEnd[k];
            toEnd[k] = byte;
            outEnd[k] = byte;
        }
        cursor->at = outEnd;
        cursor->ringAt = (cursor->ringAt + length) % kRingSize;
        cursor->done += length;
        return;
    }
    for (int k = 0; k < length; k++)
        EmitByte(state, cursor, state->ring[(start + k) % kRingSize], originalSize);
}

// Leaves the writer's state as the loop reached it.
inline void SyncWriter(DecoderState *state, const OutputCursor *cursor)
{
    state->outCount = (uint16_t)(cursor->at - state->outBuffer);
}

// How a block whose loop has stopped ended, after done of its originalSize
// bytes: a write that fell short first, then input that ran out (whatever
// the loop made of zero bits is not the file), then a stop the pump step
// asked for.  A size the decoder does not count to (2^31 and above) ends
// whole, with nothing written.
inline CopyEnd BlockEnd(const DecoderState *state, int32_t done, uint32_t originalSize)
{
    if (state->writeFailed)
        return kCopyShortWrite;
    if (InputRanOut(state))
        return kCopyInputEnded;
    return done < (int32_t)originalSize ? kCopyCancelled : kCopyWhole;
}

// DecodeBlock itself.  Always inline: called with the address of a static
// state, as DecodeBlockOnOwnState calls it, it addresses the state's fields
// directly.
__attribute__((always_inline)) inline CopyEnd DecodeBlockInline(DecoderState *state, const BlockSource *input,
                                                                const BlockSink *output, uint32_t originalSize,
                                                                uint32_t storedSize, const PumpHook *pump)
{
    // The reader and the writer start afresh with every block.
    ResetReader(state, input);
    ResetWriter(state, output);
    state->bitCount = 0;
    state->bitBuffer = 0;
    state->remainingInput = storedSize;
    state->fillBits = 0;
    const int32_t size = (int32_t)originalSize;
    if (size <= 0)
        return BlockEnd(state, 0, originalSize);

    StartHuffman(state);
    memset(state->ring, ' ', kRingFillLength);
    // Positions 4066-4095 are cleared at every block, so a block decodes
    // the same whichever block came before it.  Our packaging tool never
    // refers to them before writing them.
    memset(state->ring + kRingFillLength, 0, kMaxMatch);

    // After each symbol: the pump step once more than pumpThreshold bytes
    // are out, the end once size bytes are.  Both wait for the count to
    // reach nextCheck, the nearer of the two.
    int32_t pumpThreshold = 0;
    OutputCursor cursor = {state->outBuffer, state->outBuffer + state->outFastLimit, kRingFillLength, 0};
    int32_t nextCheck = 1;
    for (;;) {
        int symbol = ReadSymbol(state);
        if (symbol < 256) {
            EmitByte(state, &cursor, (uint8_t)symbol, originalSize);
        } else {
            int position = DecodePosition(state);
            unsigned start = (cursor.ringAt + kRingSize - position - 1) % kRingSize;
            int length = symbol - 255 + kMatchThreshold;
            // A match never runs past originalSize: corrupt input must not
            // make the file longer than its record says.  The writer would
            // otherwise start a new round of writes after the last one.
            if (length > size - cursor.done)
                length = size - cursor.done;
            CopyMatch(state, &cursor, start, length, originalSize);
        }
        // The tree counts the symbol only now, after its bytes are out:
        // the same order of reads and writes, as counting touches neither.
        UpdateTree(state, symbol);
        if (cursor.done < nextCheck)
            continue;
        // A write that fell short ends the block here, at the checks
        // rather than at every byte; WritePtr writes nothing more meanwhile.
        // So does input that has run out: what the loop would still make
        // is made of zero bits, up to the size the record claims.
        if (state->writeFailed || InputRanOut(state))
            break;
        if (cursor.done > pumpThreshold) {
            SyncWriter(state, &cursor);
            if (RunPumpHook(pump))
                break;
            // Raised past the last multiple of kPumpInterval below 2^31 it
            // would overflow (a file of nearly 2 GiB); it stops at
            // INT32_MAX instead, which no count passes, as none could pass
            // the raised value.
            pumpThreshold = pumpThreshold > INT32_MAX - kPumpInterval ? INT32_MAX : pumpThreshold + kPumpInterval;
        }
        if (cursor.done >= size)
            break;
        nextCheck = pumpThreshold < size ? pumpThreshold + 1 : size;
    }
    SyncWriter(state, &cursor);
    return BlockEnd(state, cursor.done, originalSize);
}

#endif
