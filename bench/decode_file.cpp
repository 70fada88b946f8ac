// Decodes one block file once, into nothing, with the installer's decoder
// (on its own state, as ExpandFile runs it) or the plain decoder: the program that
// callgrind_decode_i686.sh builds as 32-bit x86 code, the installer's
// compiler flags and no C++ library, so that callgrind counts the
// instructions the 32-bit installer spends.
//
//   decode_file BLOCK SIZE [--plain]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "package/decoder.h"
#include "tests/unit/plain_decoder.h"

__attribute__((noinline)) static CopyEnd InstallerDecodeBlock(const BlockSource *input, const BlockSink *output,
                                                              uint32_t originalSize, uint32_t storedSize)
{
    return DecodeBlockOnOwnState(input, output, originalSize, storedSize, NULL);
}

// The block file and the output as the decoder's source and sink: one
// unbuffered read or write of the C library each, as ExpandFile makes one
// system call each.
static uint32_t ReadFile(void *context, uint8_t *buffer, uint32_t count)
{
    return (uint32_t)fread(buffer, 1, count, (FILE *)context);
}

static uint32_t WriteFile(void *context, const uint8_t *buffer, uint32_t count)
{
    return (uint32_t)fwrite(buffer, 1, count, (FILE *)context);
}

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4 || (argc == 4 && strcmp(argv[3], "--plain") != 0)) {
        fprintf(stderr, "usage: decode_file BLOCK SIZE [--plain]\n");
        return 2;
    }
    FILE *input = fopen(argv[1], "rb");
    FILE *output = fopen("/dev/null", "wb");
    if (!input || !output || fseek(input, 0, SEEK_END) != 0) {
        perror(argv[1]);
        return 1;
    }
    uint32_t storedSize = (uint32_t)ftell(input);
    rewind(input);
    setvbuf(input, NULL, _IONBF, 0);
    setvbuf(output, NULL, _IONBF, 0);
    const BlockSource source = {ReadFile, input};
    const BlockSink sink = {WriteFile, output};
    uint32_t originalSize = (uint32_t)strtoul(argv[2], NULL, 10);
    CopyEnd end = kCopyWhole;
    if (argc == 4) {
        plain::DecodeBlock(&source, &sink, originalSize, storedSize, NULL);
        end = plain::End(originalSize);
    } else {
        end = InstallerDecodeBlock(&source, &sink, originalSize, storedSize);
    }
    fclose(input);
    fclose(output);
    if (end != kCopyWhole) {
        fprintf(stderr, "decode_file: the block did not decode whole (%d)\n", (int)end);
        return 1;
    }
    return 0;
}
