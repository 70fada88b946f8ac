// The decoder's adaptive Huffman tree: StartHuffman and ReconstructTree
// over the state's tables (UpdateTree is in huffman_tree.h), and the code
// prefix table that lets ReadSymbol skip the tree's first levels.
#include <string.h>

#include "package/decoder_state.h"
#include "package/huffman_rules.h"

void StartHuffman(DecoderState *state)
{
    HuffmanStart(&state->tree);
    // A count of 0 after the root's makes the exchange test hold at the
    // root, which is how UpdateTree finds it.  HuffmanExchange needs no
    // sentinel here: its search for a count of at least freq[x] + 1 (x
    // below the root) ends at the root at the latest, whose count is
    // above every other.
    state->tree.freq[kTreeSize] = 0;
    BuildPrefixTable(state);
}

void ReconstructTree(DecoderState *state)
{
    HuffmanRebuild(&state->tree);
    BuildPrefixTable(state);
}

// Fills the entries of the codes that start with the given bits, which
// lead from the root to node, marking the internal nodes above depth
// kPrefixBits whose child entries it reads.  (A leaf above that depth is
// not marked: should an exchange put a subtree in its place, its entries
// still lead there and the walk goes on from it.)
static void FillPrefixTable(DecoderState *state, unsigned node, unsigned depth, unsigned bits)
{
    // node is below T: the root is nobody's child, so a first child is
    // below R and the second below T.
    // cppcheck-suppress arrayIndexOutOfBoundsCond
    unsigned first = state->tree.child[node];
    if (depth < kPrefixBits && first < (unsigned)kTreeSize) {
        state->prefixTableNode[node] = 1;
        state->markedDepth[node] = (uint8_t)depth;
        state->markedBits[node] = (uint16_t)bits;
        FillPrefixTable(state, first, depth + 1, bits * 2);
        FillPrefixTable(state, first + 1, depth + 1, bits * 2 + 1);
        return;
    }
    unsigned span = 1u << (kPrefixBits - depth);
    uint16_t entry = (uint16_t)(node | depth << 10);
    uint16_t *to = state->prefixTable + bits * span;
    for (unsigned i = 0; i < span; i++)
        to[i] = entry;
}

void BuildPrefixTable(DecoderState *state)
{
    memset(state->prefixTableNode, 0, sizeof state->prefixTableNode);
    FillPrefixTable(state, kRootNode, 0, 0);
}

// Clears the marks of node and of the marked nodes below it.  Marked
// nodes form the top of the tree: below an unmarked node none is marked.
static void UnmarkSubtree(DecoderState *state, unsigned node)
{
    if (!state->prefixTableNode[node])
        return;
    state->prefixTableNode[node] = 0;
    unsigned first = state->tree.child[node];
    if (first < (unsigned)kTreeSize) {
        UnmarkSubtree(state, first);
        UnmarkSubtree(state, first + 1);
    }
}

void RefreshPrefixTable(DecoderState *state, unsigned x, unsigned y)
{
    // The exchange swapped the subtrees at x and y; each place keeps its
    // depth and its bits.  The marks below each place belong to where
    // its subtree was, so they go, and each marked place is filled again.
    unsigned places[2] = {x, y};
    bool wasMarked[2];
    for (int i = 0; i < 2; i++) {
        unsigned place = places[i];
        wasMarked[i] = state->prefixTableNode[place] != 0;
        state->prefixTableNode[place] = 0;
        unsigned first = state->tree.child[place];
        if (first < (unsigned)kTreeSize) {
            UnmarkSubtree(state, first);
            UnmarkSubtree(state, first + 1);
        }
    }
    for (int i = 0; i < 2; i++)
        if (wasMarked[i])
            FillPrefixTable(state, places[i], state->markedDepth[places[i]], state->markedBits[places[i]]);
}

unsigned ExchangeNode(DecoderState *state, unsigned x)
{
    unsigned y = HuffmanExchange(&state->tree, x);
    if (state->prefixTableNode[x] | state->prefixTableNode[y])
        RefreshPrefixTable(state, x, y);
    return y;
}
