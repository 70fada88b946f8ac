// UpdateCrc32 and its tables.
#include "package/crc32.h"

void InitCrc32Table(Crc32Table *table)
{
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t crc = n;
        for (int bit = 0; bit < 8; bit++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        table->entries[0][n] = crc;
    }
    // entries[k][n]: the CRC of byte n followed by k zero bytes.
    for (int k = 1; k < 8; k++)
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t previous = table->entries[k - 1][n];
            table->entries[k][n] = (previous >> 8) ^ table->entries[0][previous & 0xFF];
        }
}

static inline uint32_t Load32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

uint32_t UpdateCrc32(const Crc32Table *table, uint32_t crc, const uint8_t *data, size_t size)
{
    const uint32_t(*t)[256] = table->entries;
    crc = ~crc;
    for (; size >= 8; size -= 8, data += 8) {
        uint32_t low = crc ^ Load32(data);
        uint32_t high = Load32(data + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size > 0; size--, data++)
        crc = t[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
