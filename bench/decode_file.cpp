// Decodes one block file once, into nothing, with the installer's decoder
// (as ExpandFile runs it) or the plain decoder: the program that
// callgrind_decode_i686.sh builds as 32-bit x86 code, the installer's
// compiler flags and no C++ library, so that callgrind counts the
// instructions the 32-bit installer spends.
//
//   decode_file BLOCK SIZE [--plain]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "package/decode_loop.h"
#include "package/decoder_state.h"
#include "tests/unit/plain_decoder.h"

static DecoderState decoder;

__attribute__((noinline)) static int32_t InstallerDecodeBlock(FILE *input, FILE *output, uint32_t originalSize,
                                                              uint32_t storedSize)
{
    return DecodeBlockInline(&decoder, input, output, originalSize, storedSize, NULL);
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
    // Unbuffered, as ExpandFile reads and writes.
    setvbuf(input, NULL, _IONBF, 0);
    setvbuf(output, NULL, _IONBF, 0);
    uint32_t originalSize = (uint32_t)strtoul(argv[2], NULL, 10);
    int32_t produced = argc == 4 ? plain::DecodeBlock(input, output, originalSize, storedSize, NULL)
                                 : InstallerDecodeBlock(input, output, originalSize, storedSize);
    fclose(input);
    fclose(output);
    if ((uint32_t)produced != originalSize) {
        fprintf(stderr, "decode_file: %d bytes, not %u\n", (int)produced, (unsigned)originalSize);
        return 1;
    }
    return 0;
}
