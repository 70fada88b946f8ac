// The adaptive Huffman tree's start, count and rebuild rules.
#include "package/huffman_rules.h"

#include "package/package_format.h"

void HuffmanStart(uint16_t *freq, uint16_t *child, uint16_t *parent)
{
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

void HuffmanRebuild(uint16_t *freq, uint16_t *child, uint16_t *parent)
{
    // Collect the leaves at the front, in their order, halving their counts.
    int next = 0;
    for (int i = 0; i < kTreeSize; i++) {
        if (child[i] >= kTreeSize) {
            freq[next] = (uint16_t)((freq[i] + 1) / 2);
            child[next] = child[i];
            next++;
        }
    }
    // Pair them again; each new node goes after every node of equal count.
    // The entries are moved one by one: the move is a plain 16-bit copy of
    // y - k - 1 entries, whatever the width of an int.
    for (int i = 0, y = kSymbolCount; y <= kRootNode; i += 2, y++) {
        uint16_t f = (uint16_t)(freq[i] + freq[i + 1]);
        int k = y - 1;
        // The counts are in increasing order and freq[i] <= f, so the
        // search ends at i at the latest; the bound only guards the array.
        while (k > 0 && f < freq[k])
            k--;
        for (int m = y; m > k + 1; m--) {
            freq[m] = freq[m - 1];
            child[m] = child[m - 1];
        }
        freq[k + 1] = f;
        child[k + 1] = (uint16_t)i;
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

void HuffmanCount(uint16_t *freq, uint16_t *child, uint16_t *parent, int symbol)
{
    int x = parent[symbol + kTreeSize];
    do {
        uint16_t k = ++freq[x];
        if (k > freq[x + 1]) {
            // Swap x with the last node whose count is still below k; the
            // sentinel at freq[kTreeSize] ends the search.
            int y = x + 1;
            while (k > freq[y + 1])
                y++;
            freq[x] = freq[y];
            freq[y] = k;

            int i = child[x];
            parent[i] = (uint16_t)y;
            if (i < kTreeSize)
                parent[i + 1] = (uint16_t)y;

            int j = child[y];
            child[y] = (uint16_t)i;
            parent[j] = (uint16_t)x;
            if (j < kTreeSize)
                parent[j + 1] = (uint16_t)x;
            child[x] = (uint16_t)j;

            x = y;
        }
        x = parent[x];
    } while (x != 0);
}
