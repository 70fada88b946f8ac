// Little-endian loads and stores on byte vectors, with bounds checks for
// the parsers that read untrusted images.
#ifndef SCRPACK_TEXT_BYTES_H
#define SCRPACK_TEXT_BYTES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// "1 byte", "2 bytes": a count of bytes in a message.
inline std::string ByteCount(uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// True when [offset, offset + length) lies inside a buffer of size bytes.
inline bool InRange(size_t size, uint64_t offset, uint64_t length)
{
    return offset <= size && length <= size - offset;
}

inline uint16_t LoadLe16(const Bytes &data, size_t offset)
{
    return (uint16_t)(data[offset] | data[offset + 1] << 8);
}

inline uint32_t LoadLe32(const Bytes &data, size_t offset)
{
    return (uint32_t)data[offset] | (uint32_t)data[offset + 1] << 8 | (uint32_t)data[offset + 2] << 16 |
           (uint32_t)data[offset + 3] << 24;
}

inline void StoreLe16(Bytes &data, size_t offset, uint16_t value)
{
    data[offset] = (uint8_t)value;
    data[offset + 1] = (uint8_t)(value >> 8);
}

inline void StoreLe32(Bytes &data, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        data[offset + i] = (uint8_t)(value >> (8 * i));
}

inline void AppendLe16(Bytes &data, uint16_t value)
{
    data.push_back((uint8_t)value);
    data.push_back((uint8_t)(value >> 8));
}

inline void AppendLe32(Bytes &data, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        data.push_back((uint8_t)(value >> (8 * i)));
}

inline uint64_t AlignUp(uint64_t value, uint64_t alignment)
{
    return alignment ? (value + alignment - 1) / alignment * alignment : value;
}

#endif
