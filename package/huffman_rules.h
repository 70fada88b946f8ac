// The rules of the adaptive Huffman code, shared by the installer's decoder
// and the packaging tool's encoder so that both change the tree in exactly
// the same way.  They work on the caller's arrays: the decoder passes its
// process-wide tables, the encoder its own.
//
//   freq    kTreeSize + 1 entries: node frequencies; the last is a sentinel
//   child   kTreeSize entries: first child of an internal node (the second
//           is the next index), or kTreeSize + symbol for a leaf
//   parent  kTreeSize + kSymbolCount entries: the parent of each node, then
//           the leaf of each symbol
#ifndef PACKAGE_HUFFMAN_RULES_H
#define PACKAGE_HUFFMAN_RULES_H

#include <stdint.h>

// The initial tree: every symbol has frequency 1.
void HuffmanStart(uint16_t *freq, uint16_t *child, uint16_t *parent);
// Halves every leaf frequency and builds the tree anew.
void HuffmanRebuild(uint16_t *freq, uint16_t *child, uint16_t *parent);
// Counts one occurrence of symbol, moving nodes to keep the frequencies in
// increasing order.  The caller rebuilds first when the root is full.
void HuffmanCount(uint16_t *freq, uint16_t *child, uint16_t *parent, int symbol);

#endif
