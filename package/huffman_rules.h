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

#include <stddef.h>
#include <stdint.h>

#include "package/package_format.h"

// The initial tree: every symbol has frequency 1.
void HuffmanStart(uint16_t *freq, uint16_t *child, uint16_t *parent);
// Halves every leaf frequency and builds the tree anew.
void HuffmanRebuild(uint16_t *freq, uint16_t *child, uint16_t *parent);
// Adds 1 to the count of node x, which reaches past the count of node
// x + 1, and exchanges x with the last node whose count is still below the
// new one.  Returns the node that now has x's count and subtree.  Inline
// for the decoder's ExchangeNode and the encoder's HuffmanCount.
inline unsigned HuffmanExchange(uint16_t *freq, uint16_t *child, uint16_t *parent, unsigned x)
{
    // The search for the last count below k ends at the sentinel at
    // freq[kTreeSize] at the latest, or before it at the root's count,
    // which is above every other (the decoder sets the sentinel to 0).
    // Counts stay at or below 0x8000, so k fits 16 bits, and the search
    // compares 16-bit counts as they are stored.
    uint16_t k = (uint16_t)(freq[x] + 1);
    size_t y = x + 1;
    while (freq[y + 1] < k)
        y++;
    freq[x] = freq[y];
    freq[y] = k;

    unsigned i = child[x];
    parent[i] = (uint16_t)y;
    if (i < kTreeSize)
        parent[i + 1] = (uint16_t)y;

    unsigned j = child[y];
    child[y] = (uint16_t)i;
    parent[j] = (uint16_t)x;
    if (j < kTreeSize)
        parent[j + 1] = (uint16_t)x;
    child[x] = (uint16_t)j;
    return y;
}

// Counts one occurrence of symbol, moving nodes to keep the frequencies in
// increasing order.  The caller rebuilds first when the root is full.
// Inline: it runs once per symbol in the decoder's and the encoder's loops.
inline void HuffmanCount(uint16_t *freq, uint16_t *child, uint16_t *parent, int symbol)
{
    // size_t indices let the compiler address freq[x + 1] directly.
    size_t x = parent[symbol + kTreeSize];
    do {
        // The new count freq[x] + 1 goes past the next node's count
        // exactly when freq[x] is not below it.
        unsigned count = freq[x];
        if (count >= freq[x + 1])
            x = HuffmanExchange(freq, child, parent, x);
        else
            freq[x] = (uint16_t)(count + 1);
        x = parent[x];
    } while (x != 0);
}

#endif
