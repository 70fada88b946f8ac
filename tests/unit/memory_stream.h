// FILE streams over memory that record every read and write the code under
// test makes, for the decoder's tests.  The streams are unbuffered, so each
// fread or fwrite of the decoder reaches the recorder as one call.
#ifndef TESTS_UNIT_MEMORY_STREAM_H
#define TESTS_UNIT_MEMORY_STREAM_H

#include <stdio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

struct MemoryStream {
    std::vector<uint8_t> data;       // read from, or appended to
    size_t position = 0;             // next byte to read
    std::vector<size_t> calls;       // size asked by each read or write
    size_t readLimit = SIZE_MAX;     // bytes the source can still deliver
    size_t writeLimit = SIZE_MAX;    // bytes the sink still accepts
    FILE *file = nullptr;

    static ssize_t Read(void *cookie, char *buffer, size_t size)
    {
        auto *self = static_cast<MemoryStream *>(cookie);
        self->calls.push_back(size);
        size_t n = std::min({size, self->data.size() - self->position, self->readLimit});
        memcpy(buffer, self->data.data() + self->position, n);
        self->position += n;
        self->readLimit -= n;
        return (ssize_t)n;
    }

    static ssize_t Write(void *cookie, const char *buffer, size_t size)
    {
        auto *self = static_cast<MemoryStream *>(cookie);
        self->calls.push_back(size);
        size_t n = std::min(size, self->writeLimit);
        self->data.insert(self->data.end(), buffer, buffer + n);
        self->writeLimit -= n;
        return (ssize_t)n;
    }

    FILE *OpenForReading()
    {
        file = fopencookie(this, "rb", {Read, nullptr, nullptr, nullptr});
        setvbuf(file, nullptr, _IONBF, 0);
        return file;
    }

    FILE *OpenForWriting()
    {
        file = fopencookie(this, "wb", {nullptr, Write, nullptr, nullptr});
        setvbuf(file, nullptr, _IONBF, 0);
        return file;
    }

    MemoryStream() = default;
    MemoryStream(const MemoryStream &) = delete;
    MemoryStream &operator=(const MemoryStream &) = delete;
    ~MemoryStream()
    {
        if (file)
            fclose(file);
    }
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
