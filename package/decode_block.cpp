// DecodeBlock: expands one compressed block from input into output.
#include <string.h>

#include "engine/extraction.h"
#include "engine/message_pump.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

uint8_t ring[N];
uint16_t ringPos;
int32_t produced;

// The loop counts the bytes produced in a local; the ring position
// follows from it, since the first byte goes to ring position N - F.
static inline unsigned RingPosAfter(int32_t done)
{
    return (unsigned)(N - F + done) % N;
}

// Passes one expanded byte on and keeps it in the ring.  WritePtr sees
// only the bytes that set its threshold or reach it; the others go
// straight into its buffer.
static inline void EmitByte(FILE *output, int32_t *done, uint8_t byte, uint32_t originalSize)
{
    if (outCount < outFastLimit)
        outBuffer[outCount++] = byte;
    else
        WritePtr(output, byte, originalSize);
    ring[RingPosAfter(*done)] = byte;
    ++*done;
}

// Copies a match of length bytes from ring position start.  Byte by byte,
// each stored before the next is taken, so a match closer than its length
// repeats what it has just produced.
static inline void CopyMatch(FILE *output, int32_t *done, unsigned start, int length, uint32_t originalSize)
{
    // Most matches neither wrap around the ring nor fill the writer's
    // buffer: then ring and buffer are plain arrays for the whole copy.
    unsigned at = RingPosAfter(*done);
    if (outCount + length <= outFastLimit && start + length <= N && at + length <= N) {
        const uint8_t *from = ring + start;
        uint8_t *to = ring + at;
        uint8_t *out = outBuffer + outCount;
        for (int k = 0; k < length; k++) {
            uint8_t byte = from[k];
            to[k] = byte;
            out[k] = byte;
        }
        outCount = (uint16_t)(outCount + length);
        *done += length;
        return;
    }
    for (int k = 0; k < length; k++)
        EmitByte(output, done, ring[(start + k) % N], originalSize);
}

int32_t DecodeBlock(FILE *input, FILE *output, uint32_t originalSize, uint32_t storedSize)
{
    // The reader and the writer start afresh with every block, also when a
    // caller other than ExpandFile decodes several blocks in a row.
    ReadPtr(NULL, 0);
    WritePtr(NULL, 0, 0);
    inputStream = input;
    bitCount = 0;
    bitBuffer = 0;
    remainingInput = storedSize;
    if (originalSize == 0)
        return 0;

    StartHuffman();
    memset(ring, ' ', N - F);
    // Positions 4066-4095 are cleared at every block, so a block decodes
    // the same whichever block came before it.  Our packaging tool never
    // refers to them before writing them.
    memset(ring + (N - F), 0, F);
    ringPos = N - F;

    produced = 0;
    int32_t pumpThreshold = 0;
    const int32_t size = (int32_t)originalSize;
    if (size <= 0)
        return 0;

    // After each symbol: the pump step once more than pumpThreshold bytes
    // are out, the end once size bytes are.  Both wait for the count to
    // reach nextCheck, the nearer of the two.
    int32_t done = 0;
    int32_t nextCheck = 1;
    for (;;) {
        int symbol = DecodeChar();
        if (symbol < 256) {
            EmitByte(output, &done, (uint8_t)symbol, originalSize);
        } else {
            int position = DecodePosition();
            unsigned start = (RingPosAfter(done) + N - position - 1) % N;
            int length = symbol - 255 + THRESHOLD;
            // A match never runs past originalSize: corrupt input must not
            // make the file longer than its record says.  The writer would
            // otherwise start a new round of writes after the last one.
            if (length > size - done)
                length = size - done;
            CopyMatch(output, &done, start, length, originalSize);
        }
        if (done < nextCheck)
            continue;
        if (done > pumpThreshold) {
            ringPos = (uint16_t)RingPosAfter(done);
            produced = done;
            RunMessagePumpStep();
            if (abortRequested && !abortExempt)
                break;
            pumpThreshold += kPumpInterval;
        }
        if (done >= size)
            break;
        nextCheck = pumpThreshold < size ? pumpThreshold + 1 : size;
    }
    ringPos = (uint16_t)RingPosAfter(done);
    produced = done;
    return produced;
}
