// The adaptive Huffman tree's start, count and rebuild rules.
#include "package/huffman_rules.h"

#include "package/package_format.h"

void HuffmanStart(HuffmanTree *tree)
{
    uint16_t *freq = tree->freq, *child = tree->child, *parent = tree->parent;
    for (int i = 0; i < kSymbolCount; i++) {
        freq[i] = 1;
        child[i] = (uint16_t)(i + kTreeSize);
        parent[i + kTreeSize] = (uint16_t)i;
    }
    for (int i = 0, y = kSymbolCount; y <= kRootNode; i += 2, y++) {
        freq[y] = (uint16_t)(freq[i] + freq[i + 1]);
        child[y] = (uint16_t)i;
        parent[i] = parent[i + 1] = (uint16_t)y;
    }
    freq[kTreeSize] = 0xFFFF;
    parent[kRootNode] = 0;
}

void HuffmanRebuild(HuffmanTree *tree)
{
    uint16_t *freq = tree->freq, *child = tree->child, *parent = tree->parent;
    // Collect the leaves in their order, halving their counts.  The counts
    // were in increasing order over all nodes, so they still are over the
    // leaves.
    uint16_t leafFreq[kSymbolCount];
    uint16_t leafChild[kSymbolCount];
    int leaves = 0;
    for (int i = 0; i < kTreeSize && leaves < kSymbolCount; i++) {
        if (child[i] >= kTreeSize) {
            leafFreq[leaves] = (uint16_t)((freq[i] + 1) / 2);
            leafChild[leaves] = child[i];
            leaves++;
        }
    }
    // Pair them again: node n (n = 0, 1, ...) joins the nodes at 2n and
    // 2n + 1 and goes after every node of a count up to its own.  The new
    // nodes' counts never decrease, so laying the nodes out is a merge of
    // the leaves and the new nodes in count order, a leaf first on equal
    // counts (it was there before the new node), the new nodes in the order
    // they were made.  Node n is ready once 2n + 1 is laid out.
    int leaf = 0, made = 0;
    for (int at = 0; at < kTreeSize; at++) {
        bool takeLeaf = leaf < leaves;
        if (takeLeaf && made < kTreeSize - kSymbolCount && 2 * made + 1 < at)
            takeLeaf = leafFreq[leaf] <= (uint16_t)(freq[2 * made] + freq[2 * made + 1]);
        if (takeLeaf) {
            freq[at] = leafFreq[leaf];
            child[at] = leafChild[leaf];
            leaf++;
        } else {
            freq[at] = (uint16_t)(freq[2 * made] + freq[2 * made + 1]);
            child[at] = (uint16_t)(2 * made);
            made++;
        }
    }
    for (int i = 0; i < kTreeSize; i++) {
        int k = child[i];
        if (k >= kTreeSize) {
            parent[k] = (uint16_t)i;
        } else {
            parent[k] = (uint16_t)i;
            parent[k + 1] = (uint16_t)i;
        }
    }
}
