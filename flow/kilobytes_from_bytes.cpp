// KilobytesFromBytes: free space as the 32-bit kilobyte count the disk
// check compares.
#include "flow/checks.h"

// A drive with 4 TiB or more free does not fit in 32 bits of kilobytes.
// Cutting the count to its low 32 bits could turn a huge drive into a
// nearly full one, and 0xFFFFFFFF itself means "unknown", so such drives
// are reported as 0xFFFFFFFE kilobytes: more than any package can need.
uint32_t KilobytesFromBytes(uint64_t bytes)
{
    uint64_t kilobytes = bytes / 1024;
    return kilobytes >= FREE_SPACE_UNKNOWN ? FREE_SPACE_UNKNOWN - 1 : (uint32_t)kilobytes;
}
