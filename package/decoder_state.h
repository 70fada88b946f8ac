// The decoder's process-wide state and its internal routines.  Each
// variable is defined in the file of the routine that owns it; this header
// only lets the pieces (and the unit tests) see each other.
#ifndef PACKAGE_DECODER_STATE_H
#define PACKAGE_DECODER_STATE_H

#include <stddef.h>
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

enum { kBlockBufferSize = 16384 }; // largest read from the block, largest write

// The LZSS window (decode_block.cpp).  The ring position of the next byte
// and the count of bytes produced live in DecodeBlock's locals only.
extern uint8_t ring[N];

// The adaptive Huffman tree (huffman_tree.cpp).
extern uint16_t freq[T + 1];
extern uint16_t child[T];
extern uint16_t parent[T + N_CHAR];

// The code prefix table (huffman_tree.cpp): for each value of the next
// kPrefixBits bits of the stream, the node that the walk from the root
// reaches after them, or the leaf it reaches before (node | depth << 10).
// It is read from the child entries of the internal nodes above that
// depth, which prefixTableNode marks; when an exchange moves one of them,
// the entries below it are filled again.  StartHuffman and ReconstructTree
// build the whole table.
enum { kPrefixBits = 7 };
extern uint16_t prefixTable[1 << kPrefixBits];
extern uint8_t prefixTableNode[T];

// Bit input (bit_input.cpp): the block's stream and the bits taken ahead,
// left-aligned in bitBuffer, a machine word: 32 bits on the 32-bit
// installer, 64 where words are wider (fewer refills, same bits).
typedef size_t BitWord;
enum { kWordBits = (int)sizeof(BitWord) * 8 };
extern FILE *inputStream;
extern BitWord bitBuffer;
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
// While outCount is below this, a byte can go straight into outBuffer: the
// threshold is set and the byte does not reach it (0 when WritePtr must see
// the next byte).
extern uint16_t outFastLimit;

// Returns the next block byte; remaining counts the block bytes not yet
// taken, this one included.  ReadPtr(NULL, 0) resets the reader.
int ReadPtr(FILE *input, uint32_t remaining);
// Buffers one output byte and writes the buffer out when due.
// WritePtr(NULL, 0, 0) resets the writer.
int WritePtr(FILE *output, uint8_t byte, uint32_t originalSize);

// Tops bitBuffer up to more than eight bits through ReadPtr, the way every
// GetBit and GetByte does before it takes its bits.
void RefillBits(void);
// FillBits (bit_input.h) byte by byte, for the last bytes of ReadPtr's
// buffer and the zero bits past the block's end.
int FillBitsNearEnd(void);

// The symbol and position decoding one bit at a time, for the few symbols
// next to a read of the block (see FillBits in bit_input.h).
int ReadSymbolBitByBit(void);
int DecodePositionBitByBit(void);

void StartHuffman(void);
void ReconstructTree(void);
void BuildPrefixTable(void);
// After nodes x and y have been exchanged, when either is marked in
// prefixTableNode: fills the table entries below both again.
void RefreshPrefixTable(unsigned x, unsigned y);
// HuffmanExchange on the decoder's tree, then RefreshPrefixTable when the
// exchange moved a node the table was read from.  Returns the node that
// now has x's count and subtree.
unsigned ExchangeNode(unsigned x);

// Ends the process at once with exit status 0.
[[noreturn]] void FatalError(void);

// The routines of the inner loop, defined inline so that DecodeBlock runs
// them without calls: GetBit, GetByte, UpdateTree, ReadSymbol and
// DecodePosition.
#include "package/bit_input.h"
#include "package/huffman_tree.h"
#include "package/decode_symbols.h"

#endif
