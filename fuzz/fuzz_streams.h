// A byte source and a byte sink over memory for the fuzz targets: the
// block comes from the fuzzer's bytes, the output is collected (or only
// counted).
#ifndef FUZZ_FUZZ_STREAMS_H
#define FUZZ_FUZZ_STREAMS_H

#include <string.h>

#include <cstdint>
#include <vector>

#include "package/decoder.h"

struct FuzzSource {
    const uint8_t *data;
    size_t size;
    size_t position = 0;
    BlockSource source = {Read, this};

    static uint32_t Read(void *context, uint8_t *buffer, uint32_t count)
    {
        auto *self = static_cast<FuzzSource *>(context);
        size_t n = count < self->size - self->position ? count : self->size - self->position;
        if (n > 0)
            memcpy(buffer, self->data + self->position, n);
        self->position += n;
        return (uint32_t)n;
    }
};

struct FuzzSink {
    std::vector<uint8_t> bytes;
    bool keep = true;   // false: count only
    size_t count = 0;
    size_t room = SIZE_MAX; // bytes it takes before it is full
    BlockSink sink = {Write, this};

    static uint32_t Write(void *context, const uint8_t *buffer, uint32_t count)
    {
        auto *self = static_cast<FuzzSink *>(context);
        size_t n = count < self->room ? count : self->room;
        self->room -= n;
        if (self->keep)
            self->bytes.insert(self->bytes.end(), buffer, buffer + n);
        self->count += n;
        return (uint32_t)n;
    }
};

#endif
