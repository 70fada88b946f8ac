// CRC-32 with the IEEE polynomial, reflected, as zlib and PNG compute it:
// the CRC of "123456789" is 0xCBF43926.  Eight bytes a step through eight
// tables of 256 entries (the slicing-by-8 method).  The tables are built
// at run time into the caller's Crc32Table, so they cost the program no
// file bytes and no routine shares hidden state.
#ifndef PACKAGE_CRC32_H
#define PACKAGE_CRC32_H

#include <stddef.h>
#include <stdint.h>

struct Crc32Table {
    uint32_t entries[8][256];
};

// Fills the tables; about 2,300 steps.
void InitCrc32Table(Crc32Table *table);

// The CRC of the bytes that crc was the CRC of, followed by data.  Start
// with crc 0; UpdateCrc32(t, UpdateCrc32(t, 0, a, n), b, m) is the CRC of
// a then b.
uint32_t UpdateCrc32(const Crc32Table *table, uint32_t crc, const uint8_t *data, size_t size);

#endif
