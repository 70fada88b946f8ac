// The adaptive Huffman encoder and the position code.
#include "scrpack/codec/symbol_coder.h"

#include <cassert>

#include "package/huffman_rules.h"
#include "package/position_code.h"

namespace {

struct PositionCode {
    uint8_t bits[64];
    uint8_t length[64];
};

// The prefix code of each upper six position bits, read off the decoding
// tables: the first byte value that decodes to u begins with u's code.
const PositionCode &PositionCodes()
{
    static const PositionCode codes = [] {
        PositionCode c{};
        for (int b = 255; b >= 0; b--) {
            int u = positionUpperBits[b];
            c.length[u] = positionCodeLength[b];
            c.bits[u] = (uint8_t)(b >> (8 - positionCodeLength[b]));
        }
        return c;
    }();
    return codes;
}

} // namespace

SymbolCoder::SymbolCoder()
{
    HuffmanStart(&tree_);
}

void SymbolCoder::PutBits(uint32_t bits, int count)
{
    // count <= 16, so pending_ never holds more than 23 bits.
    pending_ = (pending_ << count) | (bits & ((1u << count) - 1));
    pendingCount_ += count;
    bitTotal_ += (uint64_t)count;
    while (pendingCount_ >= 8) {
        pendingCount_ -= 8;
        out_.push_back((uint8_t)(pending_ >> pendingCount_));
    }
    pending_ &= (1u << pendingCount_) - 1;
}

void SymbolCoder::PutSymbol(int symbol)
{
    // The code is the path from the root: collect it from the leaf up.
    uint8_t path[kTreeSize];
    int depth = 0;
    for (int node = tree_.parent[symbol + kTreeSize]; node != kRootNode;) {
        int above = tree_.parent[node];
        path[depth++] = (uint8_t)(node - tree_.child[above]);
        node = above;
    }
    while (depth > 0)
        PutBits(path[--depth], 1);

    if (tree_.freq[kRootNode] == kMaxFreq)
        HuffmanRebuild(&tree_);
    HuffmanCount(&tree_, symbol);
}

void SymbolCoder::PutMatch(int length, int distance)
{
    assert(length > kMatchThreshold && length <= kMaxMatch);
    assert(distance >= 1 && distance <= kRingSize);
    PutSymbol(256 - kMatchThreshold - 1 + length);
    unsigned position = (unsigned)distance - 1;
    const PositionCode &codes = PositionCodes();
    unsigned upper = position >> 6;
    PutBits(codes.bits[upper], codes.length[upper]);
    PutBits(position & 63, 6);
}

void SymbolCoder::CodeLengths(uint8_t *lengths) const
{
    // Depths top down: a node's depth is its parent's plus one, and
    // parents come after their children in node order.
    uint8_t depth[kTreeSize] = {}; // the root's is 0
    for (int node = kRootNode; node >= 0; node--) {
        int first = tree_.child[node];
        if (first >= kTreeSize) {
            lengths[first - kTreeSize] = depth[node];
        } else {
            depth[first] = (uint8_t)(depth[node] + 1);
            depth[first + 1] = (uint8_t)(depth[node] + 1);
        }
    }
}

int SymbolCoder::PositionBits(int distance)
{
    return PositionCodes().length[(unsigned)(distance - 1) >> 6] + 6;
}

std::vector<uint8_t> SymbolCoder::Finish()
{
    if (pendingCount_ > 0)
        PutBits(0, 8 - pendingCount_);
    return out_;
}
