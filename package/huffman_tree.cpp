// The decoder's adaptive Huffman tree: StartHuffman, UpdateTree and
// ReconstructTree over the process-wide tables.
#include "package/decoder_state.h"
#include "package/huffman_rules.h"

uint16_t freq[T + 1];
uint16_t child[T];
uint16_t parent[T + N_CHAR];

void StartHuffman(void)
{
    HuffmanStart(freq, child, parent);
}

void ReconstructTree(void)
{
    HuffmanRebuild(freq, child, parent);
}

void UpdateTree(int symbol)
{
    if (freq[R] == MAX_FREQ)
        ReconstructTree();
    HuffmanCount(freq, child, parent, symbol);
}
