// The decoder's adaptive Huffman tree: StartHuffman and ReconstructTree
// over the process-wide tables (UpdateTree is in huffman_tree.h), and the
// code prefix table that lets DecodeChar skip the tree's first levels.
#include "package/decoder_state.h"
#include "package/huffman_rules.h"

uint16_t freq[T + 1];
uint16_t child[T];
uint16_t parent[T + N_CHAR];

uint16_t prefixTable[1 << kPrefixBits];
uint8_t prefixTableNode[T];
int32_t prefixTableValid;

void StartHuffman(void)
{
    HuffmanStart(freq, child, parent);
    prefixTableValid = 0;
}

void ReconstructTree(void)
{
    HuffmanRebuild(freq, child, parent);
    prefixTableValid = 0;
}

// The nodes marked in prefixTableNode, to clear them at the next build.
static uint16_t markedNodes[1 << kPrefixBits];
static int markedCount;

// Fills the entries of the codes that start with the given bits, which
// lead from the root to node.
static void FillPrefixTable(unsigned node, unsigned depth, unsigned bits)
{
    // node is below T: the root is nobody's child, so a first child is
    // below R and the second below T.
    // cppcheck-suppress arrayIndexOutOfBoundsCond
    unsigned first = child[node];
    if (depth < kPrefixBits && first < (unsigned)T) {
        prefixTableNode[node] = 1;
        markedNodes[markedCount++] = (uint16_t)node;
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
    for (int i = 0; i < markedCount; i++)
        prefixTableNode[markedNodes[i]] = 0;
    markedCount = 0;
    FillPrefixTable(R, 0, 0);
    prefixTableValid = 1;
}
