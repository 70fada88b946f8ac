// ExpandFile: expands one compressed block of the installer's own file into
// its destination file.
#include "package/decode_loop.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

enum { kPathSize = 260 };

// The installer's decoder state: one for the process, as one block is
// expanded at a time (see DecoderState for why it is not on the stack),
// and static, so that the decoding loop reaches it at fixed addresses
// (decode_loop.h).
static DecoderState expandState;

// The caller's pump step, after a check that stops a block whose input has
// run out: what it would still make is made of zero bits, up to the size
// its record claims, and the file is lost anyway.
static int StopWhenInputRanOut(void *pump)
{
    return InputRanOut(&expandState) || RunPumpHook((const PumpHook *)pump);
}

CopyEnd ExpandFile(HINSTANCE instance, uint32_t dataOffset, uint32_t originalSize, uint32_t storedSize,
               const char *destination, const PumpHook *pump)
{
    ReadPtr(&expandState, NULL, 0);
    WritePtr(&expandState, NULL, 0, 0);

    // The block can't be read (no path of the own file, or one cut short,
    // which would name some other file; the file won't open; the offset is
    // beyond what the package format allows): the package is as good as
    // cut short there.  The destination can't be created: nothing was
    // written.  Either way an existing destination is left as it was.
    char ownPath[kPathSize];
    DWORD length = GetModuleFileNameA(instance, ownPath, kPathSize);
    if (length == 0 || length >= kPathSize)
        return kCopyInputEnded;
    if (dataOffset >= PACKAGE_OFFSET_LIMIT)
        return kCopyInputEnded;
    FILE *input = fopen(ownPath, "rb");
    if (input == NULL)
        return kCopyInputEnded;
    // ReadPtr and WritePtr buffer 16384 bytes themselves.  Unbuffered
    // streams turn each of their reads and writes into one system call, so
    // nothing is read beyond the block's end and a full disk is seen by the
    // write that meets it, not lost in a flush when the file is closed.
    setvbuf(input, NULL, _IONBF, 0);
    if (fseek(input, (long)dataOffset, SEEK_SET) != 0) {
        fclose(input);
        return kCopyInputEnded;
    }
    FILE *output = fopen(destination, "wb");
    if (output == NULL) {
        fclose(input);
        return kCopyNotStarted;
    }
    setvbuf(output, NULL, _IONBF, 0);

    const PumpHook guarded = {StopWhenInputRanOut, (void *)pump};
    int32_t produced = DecodeBlockInline(&expandState, input, output, originalSize, storedSize, &guarded);

    fclose(output);
    fclose(input);
    if (expandState.writeFailed)
        return kCopyShortWrite;
    if (InputRanOut(&expandState))
        return kCopyInputEnded;
    return produced < (int32_t)originalSize ? kCopyCancelled : kCopyWhole;
}
