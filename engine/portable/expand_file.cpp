// ExpandFile: expands one compressed block of the package file into its
// destination file, through the kernel's file calls.
#include "engine/portable/expand_file.h"

#include "package/decoder.h"
#include "package/platform.h"

// The package file and the destination as the decoder's source and sink.
// Each read and write of the decoder's (16384 bytes at most) is one system
// call, so nothing is read beyond the block's end and a full disk is seen
// by the write that meets it.
static uint32_t ReadFromFile(void *context, uint8_t *buffer, uint32_t count)
{
    UINT got = _lread(*(HFILE *)context, buffer, count);
    return got == (UINT)HFILE_ERROR ? 0 : got;
}

static uint32_t WriteToFile(void *context, const uint8_t *buffer, uint32_t count)
{
    UINT put = _lwrite(*(HFILE *)context, (const char *)buffer, count);
    return put == (UINT)HFILE_ERROR ? 0 : put;
}

CopyEnd ExpandFile(const char *packagePath, const FileRecord *record, const char *destination,
                   const PumpHook *pump)
{
    // The block can't be read: the package is as good as cut short there.
    // The destination can't be created: nothing was written.  Either way
    // an existing destination is left as it was.
    if (packagePath == NULL || packagePath[0] == '\0' || record->dataOffset >= PACKAGE_OFFSET_LIMIT)
        return kCopyInputEnded;
    HFILE package = _lopen(packagePath, OF_READ | OF_SHARE_DENY_NONE);
    if (package == HFILE_ERROR)
        return kCopyInputEnded;
    if (_llseek(package, (LONG)record->dataOffset, FILE_BEGIN) != (LONG)record->dataOffset) {
        _lclose(package);
        return kCopyInputEnded;
    }
    HFILE file = _lcreat(destination, 0);
    if (file == HFILE_ERROR) {
        _lclose(package);
        return kCopyNotStarted;
    }
    const BlockSource input = {ReadFromFile, &package};
    const BlockSink output = {WriteToFile, &file};
    CopyEnd end = DecodeBlockOnOwnState(&input, &output, record->originalSize, record->storedSize, pump);
    _lclose(file);
    _lclose(package);
    return end;
}
