// A byte source and a byte sink over memory that record every read and
// write the decoder makes, for the decoder's tests.
#ifndef TESTS_UNIT_MEMORY_STREAM_H
#define TESTS_UNIT_MEMORY_STREAM_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "package/decoder.h"

struct MemoryStream {
    std::vector<uint8_t> data;       // read from, or appended to
    size_t position = 0;             // next byte to read
    std::vector<size_t> calls;       // size asked by each read or write
    size_t readLimit = SIZE_MAX;     // bytes the source can still deliver
    size_t writeLimit = SIZE_MAX;    // bytes the sink still accepts
    bool zeroTail = false;           // zero bytes follow data without end
    BlockSource source = {Read, this};
    BlockSink sink = {Write, this};

    static uint32_t Read(void *context, uint8_t *buffer, uint32_t size)
    {
        auto *self = static_cast<MemoryStream *>(context);
        self->calls.push_back(size);
        size_t inData = self->data.size() - std::min(self->position, self->data.size());
        size_t n = std::min({(size_t)size, self->zeroTail ? SIZE_MAX : inData, self->readLimit});
        memset(buffer, 0, n);
        if (inData > 0)
            memcpy(buffer, self->data.data() + self->position, std::min(n, inData));
        self->position += n;
        self->readLimit -= n;
        return (uint32_t)n;
    }

    static uint32_t Write(void *context, const uint8_t *buffer, uint32_t size)
    {
        auto *self = static_cast<MemoryStream *>(context);
        self->calls.push_back(size);
        size_t n = std::min((size_t)size, self->writeLimit);
        self->data.insert(self->data.end(), buffer, buffer + n);
        self->writeLimit -= n;
        return (uint32_t)n;
    }

    MemoryStream() = default;
    MemoryStream(const MemoryStream &) = delete;
    MemoryStream &operator=(const MemoryStream &) = delete;
};

// "0110 1..." (spaces ignored) as bytes, most significant bit first, the
// last byte padded with zero bits.
inline std::vector<uint8_t> BitsToBytes(const char *bits)
{
    std::vector<uint8_t> out;
    int used = 0;
    for (const char *p = bits; *p; p++) {
        if (*p == ' ')
            continue;
        if (used % 8 == 0)
            out.push_back(0);
        if (*p == '1')
            out.back() |= (uint8_t)(0x80 >> (used % 8));
        used++;
    }
    return out;
}

// The low bytes of xorshift32, as in tests/reference/reference_decoder.py.
inline std::vector<uint8_t> XorshiftBytes(uint32_t seed, size_t count)
{
    std::vector<uint8_t> out(count);
    uint32_t x = seed;
    for (auto &b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = (uint8_t)x;
    }
    return out;
}

inline uint64_t Fnv1a64(const std::vector<uint8_t> &data)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : data)
        h = (h ^ b) * 0x100000001B3ull;
    return h;
}

#endif
