// The rules of the adaptive Huffman code, shared by the installer's decoder
// and the packaging tool's encoder so that both change the tree in exactly
// the same way.  They work on the caller's tree: the decoder's is part of
// its state, the encoder's its own.
#ifndef PACKAGE_HUFFMAN_RULES_H
#define PACKAGE_HUFFMAN_RULES_H

#include <stddef.h>
#include <stdint.h>

#include "package/package_format.h"

// The tree's three tables, one structure so that the routines reach all of
// them from one address (on the 32-bit installer a register is worth it).
struct HuffmanTree {
    // Node counts; the entry after the root's is a sentinel.
    uint16_t freq[kTreeSize + 1];
    // The first child of an internal node (the second is the next index),
    // or kTreeSize + symbol for a leaf.
    uint16_t child[kTreeSize];
    // The parent of each node, then the leaf of each symbol.
    uint16_t parent[kTreeSize + kSymbolCount];
};

// The initial tree: every symbol has frequency 1.
void HuffmanStart(HuffmanTree *tree);
// Halves every leaf frequency and builds the tree anew.
void HuffmanRebuild(HuffmanTree *tree);
// Adds 1 to the count of node x, which reaches past the count of node
// x + 1, and exchanges x with the last node whose count is still below the
// new one.  Returns the node that now has x's count and subtree.  Inline
// for the decoder's ExchangeNode and the encoder's HuffmanCount.
inline unsigned HuffmanExchange(HuffmanTree *tree, unsigned x)
{
    // The search for the last count below k ends at the sentinel at
    // freq[kTreeSize] at the latest, or before it at the root's count,
    // which is above every other (the decoder sets the sentinel to 0).
    // Counts stay at or below 0x8000, so k fits 16 bits, and the search
    // compares 16-bit counts as they are stored.  (Every table is reached
    // through tree: pointers of their own would take a register each.)
    uint16_t k = (uint16_t)(tree->freq[x] + 1);
    size_t y = x + 1;
    while (tree->freq[y + 1] < k)
        y++;
    tree->freq[x] = tree->freq[y];
    tree->freq[y] = k;

    unsigned i = tree->child[x];
    tree->parent[i] = (uint16_t)y;
    if (i < kTreeSize)
        tree->parent[i + 1] = (uint16_t)y;

    unsigned j = tree->child[y];
    tree->child[y] = (uint16_t)i;
    tree->parent[j] = (uint16_t)x;
    if (j < kTreeSize)
        tree->parent[j + 1] = (uint16_t)x;
    tree->child[x] = (uint16_t)j;
    return y;
}

// Counts one occurrence of symbol, moving nodes to keep the frequencies in
// increasing order.  The caller rebuilds first when the root is full.
// Inline: it runs once per symbol in the decoder's and the encoder's loops.
inline void HuffmanCount(HuffmanTree *tree, int symbol)
{
    // size_t indices let the compiler address freq[x + 1] directly.
    size_t x = tree->parent[symbol + kTreeSize];
    do {
        // The new count freq[x] + 1 goes past the next node's count
        // exactly when freq[x] is not below it.
        unsigned count = tree->freq[x];
        if (count >= tree->freq[x + 1])
            x = HuffmanExchange(tree, (unsigned)x);
        else
            tree->freq[x] = (uint16_t)(count + 1);
        x = tree->parent[x];
    } while (x != 0);
}

#endif
