// SumInstalledSizes: the byte total of a package, from its file records.
#include "flow/portable/rules.h"
#include "package/manifest.h"

// The total is a 32-bit count, but a package's records can add up past
// 4 GiB (each compressed file may hold up to 2 GiB).  Wrapping round would
// show a small total and let the disk-space check pass on any drive, so the
// sum stops at 0xFFFFFFFF instead: the confirmation then shows
// 4,294,967,295 bytes and the check asks for 4,194,303 kilobytes, which no
// drive holding less than 4 GiB free satisfies.
uint32_t SumInstalledSizes(HFILE manifest)
{
    uint16_t firstFileNumber;
    if (!SkipToFileRecords(manifest, &firstFileNumber))
        return 0;
    uint32_t total = 0;
    FileRecord record;
    while (ReadFileRecord(manifest, &record)) {
        uint32_t size = InstalledSize(&record);
        total = size > 0xFFFFFFFFu - total ? 0xFFFFFFFFu : total + size;
    }
    return total;
}
