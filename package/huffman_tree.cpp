// The decoder's adaptive Huffman tree: StartHuffman and ReconstructTree
// over the process-wide tables (UpdateTree is in huffman_tree.h), and the
// code prefix table that lets DecodeChar skip the tree's first levels.
#include <string.h>

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

void BuildPrefixTable(void)
{
    memset(prefixTableNode, 0, sizeof prefixTableNode);
    // Depth first from the root, with the bits that lead to each node.
    struct Step {
        uint16_t node, depth, bits;
    } stack[kPrefixBits + 1];
    int top = 0;
    stack[top++] = Step{R, 0, 0};
    while (top > 0) {
        Step s = stack[--top];
        unsigned first = child[s.node];
        if (s.depth == kPrefixBits || first >= (unsigned)T) {
            unsigned span = 1u << (kPrefixBits - s.depth);
            uint16_t entry = (uint16_t)(s.node | s.depth << 10);
            for (unsigned i = 0; i < span; i++)
                prefixTable[s.bits * span + i] = entry;
            continue;
        }
        prefixTableNode[s.node] = 1;
        uint16_t depth = (uint16_t)(s.depth + 1);
        stack[top++] = Step{(uint16_t)(first + 1), depth, (uint16_t)(s.bits * 2 + 1)};
        stack[top++] = Step{(uint16_t)first, depth, (uint16_t)(s.bits * 2)};
    }
    prefixTableValid = 1;
}
