// DecodeBlock: expands one compressed block from input into output.
#include <string.h>

#include "engine/extraction.h"
#include "engine/message_pump.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

uint8_t ring[N];
uint16_t ringPos;
int32_t produced;

// Passes one expanded byte on and keeps it in the ring.
static void EmitByte(FILE *output, uint8_t byte, uint32_t originalSize)
{
    WritePtr(output, byte, originalSize);
    ring[ringPos] = byte;
    ringPos = (uint16_t)((ringPos + 1) % N);
    produced++;
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

    do {
        int symbol = DecodeChar();
        if (symbol < 256) {
            EmitByte(output, (uint8_t)symbol, originalSize);
        } else {
            int position = DecodePosition();
            unsigned start = (unsigned)(ringPos + N - position - 1) % N;
            int length = symbol - 255 + THRESHOLD;
            // A match never runs past originalSize: corrupt input must not
            // make the file longer than its record says.  The writer would
            // otherwise start a new round of writes after the last one.
            for (int k = 0; k < length && produced < size; k++)
                EmitByte(output, ring[(start + k) % N], originalSize);
        }
        if (produced > pumpThreshold) {
            RunMessagePumpStep();
            if (abortRequested && !abortExempt)
                break;
            pumpThreshold += kPumpInterval;
        }
    } while (produced < size);
    return produced;
}
