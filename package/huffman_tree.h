// UpdateTree, inline for DecodeChar: counts a symbol in the decoder's
// tree, rebuilding the tree first when the root's count is full.  It also
// keeps the code prefix table honest: a node exchange that touches one of
// the nodes the table was read from fills that part of the table again.
#ifndef PACKAGE_HUFFMAN_TREE_H
#define PACKAGE_HUFFMAN_TREE_H

#include "package/decoder_state.h"
#include "package/huffman_rules.h"

inline void UpdateTree(int symbol)
{
    if (freq[R] == MAX_FREQ)
        ReconstructTree();
    // HuffmanCount's climb from the leaf to the root, watching the
    // exchanges.  The root is never exchanged (the sentinel's count is
    // above every other), so the climb counts it after the loop.
    size_t x = parent[symbol + T];
    while (x != R) {
        // The new count freq[x] + 1 goes past the next node's count
        // exactly when freq[x] is not below it.
        if (freq[x] >= freq[x + 1]) {
            size_t y = HuffmanExchange(freq, child, parent, (unsigned)x);
            if (prefixTableNode[x] | prefixTableNode[y])
                RefreshPrefixTable((unsigned)x, (unsigned)y);
            x = y;
        } else {
            freq[x]++;
        }
        x = parent[x];
    }
    freq[R]++;
}

#endif
