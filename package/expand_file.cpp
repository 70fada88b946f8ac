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

CopyEnd ExpandFile(HINSTANCE instance, uint32_t dataOffset, uint32_t originalSize, uint32_t storedSize,
               const char *destination, const PumpHook *pump)
{
    ReadPtr(&expandState, NULL, 0);
    WritePtr(&expandState, NULL, 0, 0);

    char ownPath[kPathSize];
    DWORD length = GetModuleFileNameA(instance, ownPath, kPathSize);
    // A path that filled the whole buffer was cut short (and older systems
    // leave it unterminated then): it would name some other file.
    if (length == 0 || length >= kPathSize)
        return kCopyNotStarted;

    // When the block can't be reached (the own file won't open, or the
    // offset is beyond what the package format allows) or the destination
    // can't be created, nothing is decoded and an existing destination is
    // left as it was.  The caller goes on either way.
    if (dataOffset > 0x7FFFFFFFu)
        return kCopyNotStarted;
    FILE *input = fopen(ownPath, "rb");
    if (input == NULL)
        return kCopyNotStarted;
    // ReadPtr and WritePtr buffer 16384 bytes themselves.  Unbuffered
    // streams turn each of their reads and writes into one system call, so
    // nothing is read beyond the block's end and a full disk is seen by the
    // write that meets it, not lost in a flush when the file is closed.
    setvbuf(input, NULL, _IONBF, 0);
    if (fseek(input, (long)dataOffset, SEEK_SET) != 0) {
        fclose(input);
        return kCopyNotStarted;
    }
    FILE *output = fopen(destination, "wb");
    if (output == NULL) {
        fclose(input);
        return kCopyNotStarted;
    }
    setvbuf(output, NULL, _IONBF, 0);

    int32_t produced = DecodeBlockInline(&expandState, input, output, originalSize, storedSize, pump);

    fclose(output);
    fclose(input);
    if (expandState.writeFailed)
        return kCopyShortWrite;
    return produced < (int32_t)originalSize ? kCopyCancelled : kCopyWhole;
}
