// The packaging tool's encoder: one file into one compressed block in the
// format the installer's decoder reads.
#ifndef SCRPACK_COMPRESS_H
#define SCRPACK_COMPRESS_H

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size);

#endif
