// CopyStoredBlock: writes a stored block to its destination, 2048 bytes at
// a time, keeping the dialog alive and honouring an abort through the
// caller's pump step.
#include "engine/portable/stored_copy.h"

#include <stddef.h>
#include <stdint.h>

CopyEnd CopyStoredBlock(HFILE manifest, const FileRecord *record, const char *destination, char *buffer,
                        const PumpHook *pump)
{
    // Offsets of 2^31 and above can't be reached: the file is still created,
    // and the copy ends as one whose block ran out.
    int positioned = record->dataOffset < PACKAGE_OFFSET_LIMIT &&
                     _llseek(manifest, (LONG)record->dataOffset, FILE_BEGIN) == (LONG)record->dataOffset;
    HFILE file = _lcreat(destination, 0);
    if (file == HFILE_ERROR)
        return kCopyNotStarted;
    CopyEnd end = kCopyWhole;
    // 64-bit count: the sum can't wrap for blocks near 4 GiB.
    uint64_t bytesRead = 0;
    uint64_t pumpThreshold = 0;
    uint64_t storedSize = record->storedSize;
    UINT count;
    do {
        if (!positioned || buffer == NULL)
            break;
        count = _lread(manifest, buffer, kCopyChunkSize);
        if (count == (UINT)HFILE_ERROR)
            break; // a read error ends this file's copy, as the file's end does
        bytesRead += count;
        // Only the bytes within the block's first storedSize bytes.
        UINT part = bytesRead <= storedSize ? count : (UINT)(storedSize - (bytesRead - count));
        if (part > 0 && _lwrite(file, buffer, part) != part) {
            end = kCopyShortWrite;
            break;
        }
        if (bytesRead > pumpThreshold) {
            if (RunPumpHook(pump)) {
                end = kCopyCancelled;
                break;
            }
            pumpThreshold += kPumpInterval;
        }
    } while (count != 0 && bytesRead <= storedSize);
    _lclose(file);
    // The file ended, or could not be read, before the block did: the
    // package is cut short or damaged, and the file is not what it carried.
    if (end == kCopyWhole && bytesRead < storedSize)
        end = kCopyInputEnded;
    return end;
}
