// Memory streams for the fuzz targets: the block comes from the fuzzer's
// bytes, the output is collected (or only counted).
#ifndef FUZZ_FUZZ_STREAMS_H
#define FUZZ_FUZZ_STREAMS_H

#include <stdio.h>
#include <string.h>

#include <cstdint>
#include <vector>

struct FuzzSource {
    const uint8_t *data;
    size_t size;
    size_t position = 0;
};

struct FuzzSink {
    std::vector<uint8_t> bytes;
    bool keep = true;   // false: count only
    size_t count = 0;
    size_t room = SIZE_MAX; // bytes it takes before it is full
};

inline ssize_t FuzzRead(void *cookie, char *buffer, size_t size)
{
    auto *source = static_cast<FuzzSource *>(cookie);
    size_t n = size < source->size - source->position ? size : source->size - source->position;
    memcpy(buffer, source->data + source->position, n);
    source->position += n;
    return (ssize_t)n;
}

inline ssize_t FuzzWrite(void *cookie, const char *buffer, size_t size)
{
    auto *sink = static_cast<FuzzSink *>(cookie);
    size = size < sink->room ? size : sink->room;
    sink->room -= size;
    if (sink->keep)
        sink->bytes.insert(sink->bytes.end(), buffer, buffer + size);
    sink->count += size;
    return (ssize_t)size;
}

inline FILE *OpenSource(FuzzSource *source)
{
    FILE *file = fopencookie(source, "rb", {FuzzRead, nullptr, nullptr, nullptr});
    // Unbuffered: the stream takes no more than the decoder asks for.
    setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

inline FILE *OpenSink(FuzzSink *sink)
{
    FILE *file = fopencookie(sink, "wb", {nullptr, FuzzWrite, nullptr, nullptr});
    // Unbuffered: every write the decoder makes arrives at once.
    setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

#endif
