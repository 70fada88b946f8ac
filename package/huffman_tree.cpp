// The decoder's adaptive Huffman tree: StartHuffman and ReconstructTree
// over the process-wide tables (UpdateTree is in huffman_tree.h), and the
// code prefix table that lets ReadSymbol skip the tree's first levels.
#include <string.h>

#include "package/decoder_state.h"
#include "package/huffman_rules.h"

uint16_t freq[T + 1];
uint16_t child[T];
uint16_t parent[T + N_CHAR];

uint16_t prefixTable[1 << kPrefixBits];
uint8_t prefixTableNode[T];

// For each marked node, its depth and the bits that lead to it.
static uint8_t markedDepth[T];
static uint16_t markedBits[T];

void StartHuffman(void)
{
    HuffmanStart(freq, child, parent);
    // A count of 0 after the root's makes the exchange test hold at the
    // root, which is how UpdateTree finds it.  HuffmanExchange needs no
    // sentinel here: its search for a count of at least freq[x] + 1 (x
    // below the root) ends at the root at the latest, whose count is
    // above every other.
    freq[T] = 0;
    BuildPrefixTable();
}

void ReconstructTree(void)
{
    HuffmanRebuild(freq, child, parent);
    BuildPrefixTable();
}

// Fills the entries of the codes that start with the given bits, which
// lead from the root to node, marking the internal nodes above depth
// kPrefixBits whose child entries it reads.  (A leaf above that depth is
// not marked: should an exchange put a subtree in its place, its entries
// still lead there and the walk goes on from it.)
static void FillPrefixTable(unsigned node, unsigned depth, unsigned bits)
{
    // node is below T: the root is nobody's child, so a first child is
    // below R and the second below T.
    // cppcheck-suppress arrayIndexOutOfBoundsCond
    unsigned first = child[node];
    if (depth < kPrefixBits && first < (unsigned)T) {
        prefixTableNode[node] = 1;
        markedDepth[node] = (uint8_t)depth;
        markedBits[node] = (uint16_t)bits;
        FillPrefixTable(first, depth + 1, bits * 2);
        FillPrefixTable(first + 1, depth + 1, bits * 2 + 1);
        return;
    }
    unsigned span = 1u << (kPrefixBits - depth);
    uint16_t entry = (uint16_t)(node | depth << 10);
    uint16_t *to = prefixTable + bits * span;
    for (unsigned i = 0; i < span; i++)
        to[i] = entry;
}

void BuildPrefixTable(void)
{
    memset(prefixTableNode, 0, sizeof prefixTableNode);
    FillPrefixTable(R, 0, 0);
}

// Clears the marks of node and of the marked nodes below it.  Marked
// nodes form the top of the tree: below an unmarked node none is marked.
static void UnmarkSubtree(unsigned node)
{
    if (!prefixTableNode[node])
        return;
    prefixTableNode[node] = 0;
    unsigned first = child[node];
    if (first < (unsigned)T) {
        UnmarkSubtree(first);
        UnmarkSubtree(first + 1);
    }
}

void RefreshPrefixTable(unsigned x, unsigned y)
{
    // The exchange swapped the subtrees at x and y; each place keeps its
    // depth and its bits.  The marks below each place belong to where
    // its subtree was, so they go, and each marked place is filled again.
    unsigned places[2] = {x, y};
    bool wasMarked[2];
    for (int i = 0; i < 2; i++) {
        unsigned place = places[i];
        wasMarked[i] = prefixTableNode[place] != 0;
        prefixTableNode[place] = 0;
        unsigned first = child[place];
        if (first < (unsigned)T) {
            UnmarkSubtree(first);
            UnmarkSubtree(first + 1);
        }
    }
    for (int i = 0; i < 2; i++)
        if (wasMarked[i])
            FillPrefixTable(places[i], markedDepth[places[i]], markedBits[places[i]]);
}

unsigned ExchangeNode(unsigned x)
{
    unsigned y = HuffmanExchange(freq, child, parent, x);
    if (prefixTableNode[x] | prefixTableNode[y])
        RefreshPrefixTable(x, y);
    return y;
}
