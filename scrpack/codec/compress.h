// The packaging tool's encoder: one file into one compressed block in the
// format the installer's decoder reads.
//
// The block expands to exactly size bytes.  The installer takes a block's
// originalSize as a signed 32-bit number and reads 0 as "stored", so files
// that are empty or of 2^31 bytes or more must be packed stored, as must
// any file whose block comes out larger than the file itself.
#ifndef SCRPACK_CODEC_COMPRESS_H
#define SCRPACK_CODEC_COMPRESS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size);

enum class CompressLevel {
    // Greedy: each position takes its longest match.  About twice as
    // fast as Best; its blocks are up to 12 % larger (text, MIDI, programs;
    // noisy sounds and pictures hardly differ).
    Fast,
    // The cheapest parse by the code lengths of the adaptive code.
    Best,
};

struct CompressOptions {
    CompressLevel level = CompressLevel::Best;
    // Candidates examined per position: more finds longer matches, slower.
    int maxChain = 256;
    // Called now and then with the count of input bytes done so far.
    std::function<void(size_t done)> progress;
};

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size, const CompressOptions &options);

#endif
