// UpdateTree, inline for DecodeBlock: counts a symbol in the decoder's
// tree, rebuilding the tree first when the root's count is full.  It also
// keeps the code prefix table honest: a node exchange that touches one of
// the nodes the table was read from fills that part of the table again.
#ifndef PACKAGE_HUFFMAN_TREE_H
#define PACKAGE_HUFFMAN_TREE_H

#include "package/decoder_state.h"
#include "package/huffman_rules.h"

inline void UpdateTree(DecoderState *state, int symbol)
{
    if (state->tree.freq[kRootNode] == kMaxFreq)
        ReconstructTree(state);
    // HuffmanCount's climb from the leaf to the root, watching the
    // exchanges.  The count after the root's, freq[T], is 0 in the
    // decoder: at the root the exchange test always holds, so the climb
    // looks for the root only where the test holds, not at every level.
    // The root is counted after the loop.
    size_t x = state->tree.parent[symbol + kTreeSize];
    for (;;) {
        // The new count freq[x] + 1 goes past the next node's count
        // exactly when freq[x] is not below it.
        unsigned count = state->tree.freq[x];
        if (count < state->tree.freq[x + 1]) {
            do {
                state->tree.freq[x] = (uint16_t)(count + 1);
                x = state->tree.parent[x];
                count = state->tree.freq[x];
            } while (count < state->tree.freq[x + 1]);
        }
        if (x == kRootNode)
            break;
        x = state->tree.parent[ExchangeNode(state, (unsigned)x)];
    }
    state->tree.freq[kRootNode]++;
}

#endif
