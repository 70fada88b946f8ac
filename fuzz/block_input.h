// The input of the decoder targets: 4 bytes originalSize, 4 bytes
// storedSize, 1 byte of flags, then the block.
#ifndef FUZZ_BLOCK_INPUT_H
#define FUZZ_BLOCK_INPUT_H

#include <stddef.h>

#include <cstdint>

struct BlockInput {
    uint32_t originalSize;
    uint32_t storedSize;
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
inline bool ParseBlockInput(const uint8_t *data, size_t size, BlockInput *input)
{
    const size_t header = 9;
    if (size < header)
        return false;
    input->originalSize = Load32(data);
    if (input->originalSize < 0x80000000u)
        input->originalSize %= 1u << 17;
    input->flags = data[8];
    input->block = data + header;
    input->blockSize = size - header;
    input->storedSize = Load32(data + 4) % ((uint32_t)input->blockSize + 64);
    return true;
}

#endif
