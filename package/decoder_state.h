// The decoder's state, in one structure, and its internal routines.  This
// header lets the pieces of the decoder (and the unit tests) see each
// other; callers use decoder.h.  It includes nothing else of the decoder:
// the inline routines of the decoding loop are in bit_input.h,
// huffman_tree.h and decode_symbols.h, which include it.
#ifndef PACKAGE_DECODER_STATE_H
#define PACKAGE_DECODER_STATE_H

#include <stddef.h>
#include <stdint.h>

#include "package/huffman_rules.h"
#include "package/package_format.h"

enum { kBlockBufferSize = 16384 }; // largest read from the block, largest write

// The bit reader's word: 32 bits on the 32-bit installer, 64 where words
// are wider (fewer refills, same bits).
typedef size_t BitWord;
enum { kWordBits = (int)sizeof(BitWord) * 8 };

// The code prefix table reads the first kPrefixBits bits of a code at once.
enum { kPrefixBits = 7 };

// Where the block's bytes come from and where the expanded bytes go
// (decoder.h).
struct BlockSource;
struct BlockSink;

// Everything the decoding of one block keeps between its routines.  Each
// routine takes the state as its first argument.  DecodeBlock starts every
// block from scratch, so one state serves any number of blocks, one at a
// time.  The installer uses the decoder's own, static in decode_block.cpp
// (DecodeBlockOnOwnState): it is about 43 KB, which belongs neither on the
// stack of the dialog procedure that runs the extraction nor on the heap
// of a run that allocates nothing to expand a block, and at a fixed
// address the 32-bit decoding loop reaches it without a register
// (decode_loop.h).  Other callers (scrpack, the tests) bring their own.
//
// DecodeBlock keeps the fields it changes at every byte (the writer's
// place in outBuffer, the ring position and the count of bytes produced)
// in locals while it runs, and writes back those that the routines it
// calls read.  The ring position and the count live only there.
struct DecoderState {
    // The adaptive Huffman tree (huffman_tree.cpp).  First: with freq at
    // the state's own address, UpdateTree's climb takes fewer instructions.
    HuffmanTree tree;

    // Bit input (bit_input.cpp): the block's source and the bits taken
    // ahead, left-aligned in bitBuffer; remainingInput counts the block's
    // bytes not yet taken.
    const BlockSource *input;
    BitWord bitBuffer;
    uint8_t bitCount;
    uint32_t remainingInput;

    // Block reader (read_ptr.cpp).
    int16_t inAvailable;
    uint16_t inPosition;

    // Destination writer (write_ptr.cpp), writing to output.  While outCount is below
    // outFastLimit, a byte can go straight into outBuffer: the threshold is
    // set and the byte does not reach it (0 when WritePtr must see the next
    // byte).  writeFailed is set when a write falls short (a full disk) and
    // stays set for the block: nothing more is written, and the decoding
    // loop stops at its next check, where it looks at the flag, rather than
    // at every byte.
    const BlockSink *output;
    uint16_t outCount;
    uint16_t outThreshold;
    int32_t thresholdSet;
    uint32_t roundWritten;
    uint16_t outFastLimit;
    int32_t writeFailed;

    // The block's input running out (bit_input.cpp, read_ptr.cpp): the
    // zero bits the bit reader has taken in past the block's last byte,
    // and whether a read of the block fell short (the file ends before the
    // block does).  See InputRanOut.
    uint32_t fillBits;
    int32_t inputShort;

    // The code prefix table (huffman_tree.cpp): for each value of the next
    // kPrefixBits bits of the stream, the node that the walk from the root
    // reaches after them, or the leaf it reaches before (node | depth << 10).
    // It is read from the child entries of the internal nodes above that
    // depth, which prefixTableNode marks, with their depth and the bits that
    // lead to them; when an exchange moves one of them, the entries below it
    // are filled again.  StartHuffman and ReconstructTree build the whole
    // table.
    uint16_t prefixTable[1 << kPrefixBits];
    uint8_t prefixTableNode[kTreeSize];
    uint8_t markedDepth[kTreeSize];
    uint16_t markedBits[kTreeSize];

    // The LZSS window (decode_loop.h).
    uint8_t ring[kRingSize];

    // The block reader's and the destination writer's buffers.
    uint8_t inBuffer[kBlockBufferSize];
    uint8_t outBuffer[kBlockBufferSize];
};

// Zero bits past a block's last byte that its code may use.  Our packaging
// tool ends every block on its last code, padded with zero bits to a whole
// byte, as the classic encoder of this code does: its blocks need none.
// Blocks of other encoders may end a code or two early, leaving the last
// bits to the zero fill: of the fuzz corpus's blocks that expand to their
// size, those needed at most 10 bits (the seeds midi 10, long_match_one_byte
// 9, program and runs 7), so two bytes are allowed.  (Two seeds made to
// run the tree's rebuilds decode thousands of bytes from zero bits on
// purpose; no encoder makes such blocks.)  The bit reader's look-ahead, up
// to a word of bits taken in and not yet used, is not counted: only bits
// the decoding has used.
enum { kMaxFillBits = 16 };

// Whether the decoding has used more of the block than it has: a read fell
// short, or the code went on into the zero bits behind the block's end.
// Either way the output is not the file.  The bits held in bitBuffer are
// the last ones taken in, the fill bits among them last of all.
inline int InputRanOut(const DecoderState *state)
{
    return state->inputShort || state->fillBits > state->bitCount + (uint32_t)kMaxFillBits;
}

// Starts the block reader afresh on input.
void ResetReader(DecoderState *state, const BlockSource *input);
// Returns the next block byte; remaining counts the block bytes not yet
// taken, this one included.
int ReadPtr(DecoderState *state, uint32_t remaining);
// Starts the destination writer afresh on output.
void ResetWriter(DecoderState *state, const BlockSink *output);
// Buffers one output byte and writes the buffer out when due.
void WritePtr(DecoderState *state, uint8_t byte, uint32_t originalSize);

// Tops bitBuffer up to more than eight bits through ReadPtr, the way every
// GetBit and GetByte does before it takes its bits.
void RefillBits(DecoderState *state);
// FillBits (bit_input.h) byte by byte, for the last bytes of ReadPtr's
// buffer and the zero bits past the block's end.
int FillBitsNearEnd(DecoderState *state);

// The symbol and position decoding one bit at a time, for the few symbols
// next to a read of the block (see FillBits in bit_input.h).
int ReadSymbolBitByBit(DecoderState *state);
int DecodePositionBitByBit(DecoderState *state);

void StartHuffman(DecoderState *state);
void ReconstructTree(DecoderState *state);
void BuildPrefixTable(DecoderState *state);
// After nodes x and y have been exchanged, when either is marked in
// prefixTableNode: fills the table entries below both again.
void RefreshPrefixTable(DecoderState *state, unsigned x, unsigned y);
// HuffmanExchange on the decoder's tree, then RefreshPrefixTable when the
// exchange moved a node the table was read from.  Returns the node that
// now has x's count and subtree.
unsigned ExchangeNode(DecoderState *state, unsigned x);

#endif
