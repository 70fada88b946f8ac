// The decoder targets' input: 4 bytes originalSize, 4 bytes storedSize,
// 1 byte of flags, then the block.
#ifndef FUZZ_BLOCK_INPUT_H
#define FUZZ_BLOCK_INPUT_H

#include <stddef.h>

#include <cstdint>

struct BlockInput {
    uint32_t originalSize, storedSize;
    uint8_t flags;
    const uint8_t *block;
    size_t blockSize;
};

inline uint32_t Load32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// False when the bytes are too few for the header.  originalSize is kept
// below 128 KB, so that a run stays quick (sizes of 2^31 and up are passed
// as they are: they decode nothing); storedSize may claim up to 63 bytes
// more than the block has, so that the reads fall short.
inline bool ParseBlockInput(const uint8_t *data, size_t size, BlockInput *in)
{
    if (size < 9)
        return false;
    in->originalSize = Load32(data);
    if (in->originalSize < 0x80000000u)
        in->originalSize %= 1u << 17;
    in->flags = data[8];
    in->block = data + 9;
    in->blockSize = size - 9;
    in->storedSize = Load32(data + 4) % ((uint32_t)in->blockSize + 64);
    return true;
}

#endif
