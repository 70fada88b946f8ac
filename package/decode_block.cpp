// DecodeBlock: expands one compressed block from input into output.
#include <string.h>

#include "package/decoder.h"
#include "package/decoder_state.h"

uint8_t ring[N];

// Where the loop puts the next expanded byte.  It keeps WritePtr's
// outCount as a pointer of its own (at) and outFastLimit as fastEnd:
// bytes below fastEnd go straight into outBuffer.  outCount is brought up
// to date before WritePtr sees a byte and when the loop stops; at and
// fastEnd are read again after WritePtr.  ringAt is the ring position of
// the next byte, done the count of bytes produced.  ringAt follows from
// done ((N - F + done) % N), but working it out from done at every byte
// measured slower: it is kept as a field of its own.
struct OutputCursor {
    uint8_t *at;
    uint8_t *fastEnd;
    unsigned ringAt;
    int32_t done;
};

static inline void EmitThroughWritePtr(FILE *output, OutputCursor *cursor, uint8_t byte, uint32_t originalSize)
{
    outCount = (uint16_t)(cursor->at - outBuffer);
    WritePtr(output, byte, originalSize);
    cursor->at = outBuffer + outCount;
    cursor->fastEnd = outBuffer + outFastLimit;
}

// Passes one expanded byte on and keeps it in the ring.
static inline void EmitByte(FILE *output, OutputCursor *cursor, uint8_t byte, uint32_t originalSize)
{
    if (cursor->at < cursor->fastEnd)
        *cursor->at++ = byte;
    else
        EmitThroughWritePtr(output, cursor, byte, originalSize);
    ring[cursor->ringAt] = byte;
    cursor->ringAt = (cursor->ringAt + 1) % N;
    cursor->done++;
}

// Copies a match of length bytes from ring position start.  Byte by byte,
// each stored before the next is taken, so a match closer than its length
// repeats what it has just produced.
static inline void CopyMatch(FILE *output, OutputCursor *cursor, unsigned start, int length, uint32_t originalSize)
{
    // Most matches neither wrap around the ring nor reach the end of what
    // may go straight into the writer's buffer: then ring and buffer are
    // plain arrays for the whole copy.
    if (length <= cursor->fastEnd - cursor->at && start + length <= N && cursor->ringAt + length <= N) {
        const uint8_t *from = ring + start;
        uint8_t *to = ring + cursor->ringAt;
        uint8_t *out = cursor->at;
        for (int k = 0; k < length; k++) {
            uint8_t byte = from[k];
            to[k] = byte;
            out[k] = byte;
        }
        cursor->at += length;
        cursor->ringAt = (cursor->ringAt + length) % N;
        cursor->done += length;
        return;
    }
    for (int k = 0; k < length; k++)
        EmitByte(output, cursor, ring[(start + k) % N], originalSize);
}

// Leaves the writer's state as the loop reached it.
static inline void SyncWriter(const OutputCursor *cursor)
{
    outCount = (uint16_t)(cursor->at - outBuffer);
}

int32_t DecodeBlock(FILE *input, FILE *output, uint32_t originalSize, uint32_t storedSize, const PumpHook *pump)
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

    int32_t pumpThreshold = 0;
    const int32_t size = (int32_t)originalSize;
    if (size <= 0)
        return 0;

    // After each symbol: the pump step once more than pumpThreshold bytes
    // are out, the end once size bytes are.  Both wait for the count to
    // reach nextCheck, the nearer of the two.
    OutputCursor cursor = {outBuffer + outCount, outBuffer + outFastLimit, N - F, 0};
    int32_t nextCheck = 1;
    for (;;) {
        int symbol = ReadSymbol();
        if (symbol < 256) {
            EmitByte(output, &cursor, (uint8_t)symbol, originalSize);
        } else {
            int position = DecodePosition();
            unsigned start = (cursor.ringAt + N - position - 1) % N;
            int length = symbol - 255 + THRESHOLD;
            // A match never runs past originalSize: corrupt input must not
            // make the file longer than its record says.  The writer would
            // otherwise start a new round of writes after the last one.
            if (length > size - cursor.done)
                length = size - cursor.done;
            CopyMatch(output, &cursor, start, length, originalSize);
        }
        // The tree counts the symbol only now, after its bytes are out:
        // the same order of reads and writes, as counting touches neither.
        UpdateTree(symbol);
        if (cursor.done < nextCheck)
            continue;
        if (cursor.done > pumpThreshold) {
            SyncWriter(&cursor);
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
    SyncWriter(&cursor);
    return cursor.done;
}
