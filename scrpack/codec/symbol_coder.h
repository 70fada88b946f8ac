// The encoder's side of the adaptive code: writes literals and matches as
// the installer's decoder reads them, changing its tree by the same rules.
#ifndef SCRPACK_CODEC_SYMBOL_CODER_H
#define SCRPACK_CODEC_SYMBOL_CODER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/huffman_rules.h"
#include "package/package_format.h"

class SymbolCoder {
  public:
    SymbolCoder();

    void PutLiteral(uint8_t byte) { PutSymbol(byte); }
    // length 3-30; distance 1-4096 bytes back from the next output byte.
    void PutMatch(int length, int distance);

    // The length in bits that each symbol's code has now (the depth of its
    // leaf), for symbols 0 to kSymbolCount - 1.
    void CodeLengths(uint8_t *lengths) const;
    // The length in bits of the position code for distance 1-4096.
    static int PositionBits(int distance);

    // Bits written so far.
    uint64_t BitCount() const { return bitTotal_; }
    // The block: every bit written, the last byte padded with zero bits.
    // The decoder would supply zero bits past the block's end by itself,
    // but a block that holds all its bits lets a check tell a cut block
    // from a whole one.
    std::vector<uint8_t> Finish();

  private:
    void PutSymbol(int symbol);
    void PutBits(uint32_t bits, int count);

    HuffmanTree tree_;

    std::vector<uint8_t> out_;
    uint32_t pending_ = 0;   // bits not yet in out_, right-aligned
    int pendingCount_ = 0;
    uint64_t bitTotal_ = 0;
};

#endif
