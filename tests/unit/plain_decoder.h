// The plain decoder: the decoding rules written down one routine at a time,
// exactly as the installer's decoder was before it got its fast paths.  It
// is kept, frozen, as the test oracle that the unit tests and the fuzz
// target check the installer's decoder against (output, reads, writes,
// pump steps, aborts), and as the baseline the benchmark measures it
// against.  Everything lives in namespace plain, with process-wide state of
// its own, so both decoders link into one program.
//
// Like the installer's decoder it takes its caller's pump hook, byte
// source and byte sink, and stops, as the installer's decoder does, at the
// pump check after its input has run out.  The
// routines that lived in files of their own are kept out of line
// (PLAIN_ROUTINE), so the baseline runs the same calls as it did in the
// installer, not a more inlined variant.
#ifndef TESTS_UNIT_PLAIN_DECODER_H
#define TESTS_UNIT_PLAIN_DECODER_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "package/decoder.h"
#include "package/decoder_state.h"
#include "package/package_format.h"
#include "package/position_code.h"
#include "package/pump_hook.h"

#define PLAIN_ROUTINE __attribute__((noinline))

namespace plain {

// The code's parameters under their usual short names.
enum {
    N = kRingSize,
    F = kMaxMatch,
    THRESHOLD = kMatchThreshold,
    N_CHAR = kSymbolCount,
    T = kTreeSize,
    R = kRootNode,
    MAX_FREQ = kMaxFreq,
};

inline uint8_t ring[N];
inline uint16_t ringPos;
inline int32_t produced;

inline uint16_t freq[T + 1];
inline uint16_t child[T];
inline uint16_t parent[T + N_CHAR];

inline BlockSource inputStream; // a copy: the caller's need not outlive the call
inline uint16_t bitBuffer;
inline uint8_t bitCount;
inline uint32_t remainingInput;

inline uint32_t fillBits;   // zero bits taken in past the block's end
inline int32_t inputShort;  // a read of the block fell short

inline uint8_t inBuffer[kBlockBufferSize];
inline int16_t inAvailable;
inline uint16_t inPosition;

inline uint8_t outBuffer[kBlockBufferSize];
inline uint16_t outCount;
inline uint16_t outThreshold;
inline int32_t thresholdSet;
inline uint32_t roundWritten;

PLAIN_ROUTINE inline int ReadPtr(const BlockSource *input, uint32_t remaining)
{
    if (input == NULL) {
        memset(inBuffer, 0, sizeof inBuffer);
        inAvailable = 0;
        inPosition = 0;
        inputShort = 0;
        return 0;
    }
    if (inAvailable < 1) {
        uint32_t want = remaining < (uint32_t)kBlockBufferSize ? remaining : (uint32_t)kBlockBufferSize;
        uint32_t got = input->read(input->context, inBuffer, want);
        inAvailable = (int16_t)got;
        inPosition = 0;
        inputShort |= got < want;
    }
    int byte = inBuffer[inPosition];
    inPosition++;
    inAvailable--;
    return byte;
}

[[noreturn]] inline void FatalError(void)
{
    exit(0);
}

PLAIN_ROUTINE inline int WritePtr(const BlockSink *output, uint8_t byte, uint32_t originalSize)
{
    if (output == NULL) {
        memset(outBuffer, 0, sizeof outBuffer);
        outCount = 0;
        outThreshold = 0;
        thresholdSet = 0;
        roundWritten = 0;
        return 0;
    }
    outBuffer[outCount] = byte;
    outCount++;
    if (!thresholdSet) {
        if (roundWritten >= originalSize)
            roundWritten = 0;
        uint32_t left = originalSize - roundWritten;
        outThreshold = (uint16_t)(left < (uint32_t)kBlockBufferSize ? left : (uint32_t)kBlockBufferSize);
        thresholdSet = 1;
    }
    if (outCount >= outThreshold) {
        if (output->write(output->context, outBuffer, outCount) < outCount)
            FatalError();
        roundWritten += outCount;
        outCount = 0;
        thresholdSet = 0;
    }
    return 0;
}

inline void RefillBits(void)
{
    while (bitCount <= 8) {
        int byte = 0;
        if (remainingInput != 0) {
            byte = ReadPtr(&inputStream, remainingInput);
            remainingInput--;
        } else {
            fillBits += 8;
        }
        // bitCount is at most 8 inside the loop: the shift is never negative.
        // cppcheck-suppress shiftNegative
        bitBuffer = (uint16_t)(bitBuffer | (byte << (8 - bitCount)));
        bitCount = (uint8_t)(bitCount + 8);
    }
}

PLAIN_ROUTINE inline int GetBit(void)
{
    RefillBits();
    int bit = bitBuffer >> 15;
    bitBuffer = (uint16_t)(bitBuffer << 1);
    bitCount--;
    return bit;
}

PLAIN_ROUTINE inline int GetByte(void)
{
    RefillBits();
    int byte = bitBuffer >> 8;
    bitBuffer = (uint16_t)(bitBuffer << 8);
    bitCount = (uint8_t)(bitCount - 8);
    return byte;
}

PLAIN_ROUTINE inline void StartHuffman(void)
{
    for (int i = 0; i < N_CHAR; i++) {
        freq[i] = 1;
        child[i] = (uint16_t)(i + T);
        parent[i + T] = (uint16_t)i;
    }
    for (int i = 0, y = N_CHAR; y <= R; i += 2, y++) {
        freq[y] = (uint16_t)(freq[i] + freq[i + 1]);
        child[y] = (uint16_t)i;
        parent[i] = parent[i + 1] = (uint16_t)y;
    }
    freq[T] = 0xFFFF;
    parent[R] = 0;
}

PLAIN_ROUTINE inline void ReconstructTree(void)
{
    int next = 0;
    for (int i = 0; i < T; i++) {
        if (child[i] >= T) {
            freq[next] = (uint16_t)((freq[i] + 1) / 2);
            child[next] = child[i];
            next++;
        }
    }
    for (int i = 0, y = N_CHAR; y <= R; i += 2, y++) {
        uint16_t f = (uint16_t)(freq[i] + freq[i + 1]);
        int k = y - 1;
        while (k > 0 && f < freq[k])
            k--;
        for (int m = y; m > k + 1; m--) {
            freq[m] = freq[m - 1];
            child[m] = child[m - 1];
        }
        freq[k + 1] = f;
        child[k + 1] = (uint16_t)i;
    }
    for (int i = 0; i < T; i++) {
        int k = child[i];
        if (k >= T) {
            parent[k] = (uint16_t)i;
        } else {
            parent[k] = (uint16_t)i;
            parent[k + 1] = (uint16_t)i;
        }
    }
}

PLAIN_ROUTINE inline void HuffmanCount(uint16_t *freq, uint16_t *child, uint16_t *parent, int symbol)
{
    int x = parent[symbol + T];
    do {
        uint16_t k = ++freq[x];
        if (k > freq[x + 1]) {
            int y = x + 1;
            while (k > freq[y + 1])
                y++;
            freq[x] = freq[y];
            freq[y] = k;

            int i = child[x];
            parent[i] = (uint16_t)y;
            if (i < T)
                parent[i + 1] = (uint16_t)y;

            int j = child[y];
            child[y] = (uint16_t)i;
            parent[j] = (uint16_t)x;
            if (j < T)
                parent[j + 1] = (uint16_t)x;
            child[x] = (uint16_t)j;

            x = y;
        }
        x = parent[x];
    } while (x != 0);
}

PLAIN_ROUTINE inline void UpdateTree(int symbol)
{
    if (freq[R] == MAX_FREQ)
        ReconstructTree();
    HuffmanCount(freq, child, parent, symbol);
}

PLAIN_ROUTINE inline int DecodeChar(void)
{
    unsigned x = child[R];
    while (x < (unsigned)T)
        x = child[x + GetBit()];
    int symbol = (int)(x - T);
    UpdateTree(symbol);
    return symbol;
}

PLAIN_ROUTINE inline int DecodePosition(void)
{
    int b = GetByte();
    int upper = positionUpperBits[b];
    int length = positionCodeLength[b];
    for (int i = 0; i < length - 2; i++)
        b = 2 * b + GetBit();
    return upper * 64 + (b % 64);
}

inline void EmitByte(const BlockSink *output, uint8_t byte, uint32_t originalSize)
{
    WritePtr(output, byte, originalSize);
    ring[ringPos] = byte;
    ringPos = (uint16_t)((ringPos + 1) % N);
    produced++;
}

// How a decoding that produced its bytes ended, in the installer
// decoder's terms (its bit buffer holds 16 bits, the installer's more: the
// bits used past the block's end are the same).
inline int InputRanOut(void)
{
    return inputShort || fillBits > bitCount + (uint32_t)kMaxFillBits;
}

inline CopyEnd End(uint32_t originalSize)
{
    if (InputRanOut())
        return kCopyInputEnded;
    return produced < (int32_t)originalSize ? kCopyCancelled : kCopyWhole;
}

PLAIN_ROUTINE inline int32_t DecodeBlock(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                                         uint32_t storedSize, const PumpHook *pump)
{
    ReadPtr(NULL, 0);
    WritePtr(NULL, 0, 0);
    inputStream = *input;
    bitCount = 0;
    bitBuffer = 0;
    remainingInput = storedSize;
    fillBits = 0;
    produced = 0;
    if (originalSize == 0)
        return 0;

    StartHuffman();
    memset(ring, ' ', N - F);
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
            for (int k = 0; k < length && produced < size; k++)
                EmitByte(output, ring[(start + k) % N], originalSize);
        }
        if (produced > pumpThreshold) {
            if (InputRanOut() || RunPumpHook(pump))
                break;
            pumpThreshold += kPumpInterval;
        }
    } while (produced < size);
    return produced;
}

} // namespace plain

#endif
