// The decoder's process-wide state and its internal routines.  Each
// variable is defined in the file of the routine that owns it; this header
// only lets the pieces (and the unit tests) see each other.
#ifndef PACKAGE_DECODER_STATE_H
#define PACKAGE_DECODER_STATE_H

#include <stdint.h>
#include <stdio.h>

#include "package/package_format.h"

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

enum {
    kBlockBufferSize = 16384,  // largest read from the block, largest write
    kPumpInterval = 102400,    // output between two message pump steps
};

// The LZSS window (decode_block.cpp).
extern uint8_t ring[N];
extern uint16_t ringPos;
extern int32_t produced;

// The adaptive Huffman tree (huffman_tree.cpp).
extern uint16_t freq[T + 1];
extern uint16_t child[T];
extern uint16_t parent[T + N_CHAR];

// Bit input (bit_input.cpp): the block's stream and the bits taken ahead.
extern FILE *inputStream;
extern uint16_t bitBuffer;
extern uint8_t bitCount;
extern uint32_t remainingInput;

// Block reader (read_ptr.cpp).
extern uint8_t inBuffer[kBlockBufferSize];
extern int16_t inAvailable;
extern uint16_t inPosition;

// Destination writer (write_ptr.cpp).
extern uint8_t outBuffer[kBlockBufferSize];
extern uint16_t outCount;
extern uint16_t outThreshold;
extern int32_t thresholdSet;
extern uint32_t roundWritten;

// Returns the next block byte; remaining counts the block bytes not yet
// taken, this one included.  ReadPtr(NULL, 0) resets the reader.
int ReadPtr(FILE *input, uint32_t remaining);
// Buffers one output byte and writes the buffer out when due.
// WritePtr(NULL, 0, 0) resets the writer.
int WritePtr(FILE *output, uint8_t byte, uint32_t originalSize);

int GetBit(void);
int GetByte(void);

int DecodeChar(void);
int DecodePosition(void);

void StartHuffman(void);
void UpdateTree(int symbol);
void ReconstructTree(void);

// Ends the process at once with exit status 0.
[[noreturn]] void FatalError(void);

#endif
