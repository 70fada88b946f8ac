// Codec benchmark: generates a deterministic corpus of about 10 MB (a
// Windows program, 24-bit bitmaps, 16-bit PCM audio, MIDI, English text,
// random bytes), then prints per file and overall the block size in
// percent of the file, the encoder's and the decoder's speed in MB/s
// (1 MB = 2^20 bytes, per second of CPU time).  Every block is checked to decode to its file.
//
//   codec_bench                  the whole corpus
//   codec_bench --repeat N       decode each block N times, keep the best
//   codec_bench --decode-wav     only decode the 2 MB stereo WAV once (for
//                                callgrind; see callgrind_decode.sh)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "package/decoder.h"
#include "scrpack/compress.h"
#include "tests/unit/sample_corpus.h"

// Nothing to keep alive here.
void RunMessagePumpStep(void)
{
}

namespace {

struct CorpusFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<CorpusFile> MakeCorpus()
{
    const size_t MB = 1 << 20;
    return {
        {"program.exe", MakeSample(SampleKind::Program, 2 * MB, 1)},
        {"scene1.bmp", MakeSample(SampleKind::Bitmap, 1 * MB, 1)},
        {"scene2.bmp", MakeSample(SampleKind::Bitmap, 1 * MB, 2)},
        {"music.wav", MakeSample(SampleKind::Audio, 2 * MB, 1)},
        {"effects.wav", MakeSample(SampleKind::Audio, 1 * MB, 2)},
        {"theme.mid", MakeSample(SampleKind::Midi, MB / 4, 1)},
        {"readme.txt", MakeSample(SampleKind::Text, 3 * MB / 2, 1)},
        {"random.bin", MakeSample(SampleKind::Random, 1 * MB, 1)},
    };
}

// Speeds are taken from the process's CPU time, so that other work on a
// shared machine does not show up in the figures.
double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Decodes block into memory (check) or into /dev/null (timing).
std::vector<uint8_t> Decode(const std::vector<uint8_t> &block, size_t size, bool keep)
{
    FILE *input = fmemopen((void *)block.data(), block.size(), "rb");
    char *text = nullptr;
    size_t length = 0;
    FILE *output = keep ? open_memstream(&text, &length) : fopen("/dev/null", "wb");
    if (!input || !output) {
        perror("decode streams");
        exit(1);
    }
    if (!keep)
        setvbuf(output, nullptr, _IONBF, 0);
    DecodeBlock(input, output, (uint32_t)size, (uint32_t)block.size());
    fclose(input);
    fclose(output);
    std::vector<uint8_t> out;
    if (keep)
        out.assign(text, text + length);
    free(text);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    int repeat = 3;
    bool wavOnly = false;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--decode-wav"))
            wavOnly = true;
        else {
            fprintf(stderr, "usage: codec_bench [--repeat N] [--decode-wav]\n");
            return 2;
        }
    }
    if (repeat < 1)
        repeat = 1;

    if (wavOnly) {
        std::vector<uint8_t> wav = MakeSample(SampleKind::Audio, 2 << 20, 1);
        std::vector<uint8_t> block = CompressBlock(wav.data(), wav.size());
        Decode(block, wav.size(), false);
        printf("decoded %zu bytes from a block of %zu\n", wav.size(), block.size());
        return 0;
    }

    const double MB = 1 << 20;
    printf("%-12s %10s %10s %8s %11s %11s\n", "file", "bytes", "block", "block%", "encode MB/s", "decode MB/s");
    size_t totalIn = 0, totalOut = 0;
    double totalEncode = 0, totalDecode = 0;
    bool allGood = true;
    for (const CorpusFile &file : MakeCorpus()) {
        double start = CpuSeconds();
        std::vector<uint8_t> block = CompressBlock(file.bytes.data(), file.bytes.size());
        double encode = CpuSeconds() - start;

        if (Decode(block, file.bytes.size(), true) != file.bytes) {
            printf("%-12s DOES NOT DECODE TO ITS FILE\n", file.name.c_str());
            allGood = false;
        }
        double decode = 1e30;
        for (int r = 0; r < repeat; r++) {
            start = CpuSeconds();
            Decode(block, file.bytes.size(), false);
            decode = std::min(decode, CpuSeconds() - start);
        }
        printf("%-12s %10zu %10zu %7.1f%% %11.2f %11.2f\n", file.name.c_str(), file.bytes.size(), block.size(),
               100.0 * (double)block.size() / (double)file.bytes.size(), (double)file.bytes.size() / MB / encode,
               (double)file.bytes.size() / MB / decode);
        totalIn += file.bytes.size();
        totalOut += block.size();
        totalEncode += encode;
        totalDecode += decode;
    }
    printf("%-12s %10zu %10zu %7.1f%% %11.2f %11.2f\n", "overall", totalIn, totalOut,
           100.0 * (double)totalOut / (double)totalIn, (double)totalIn / MB / totalEncode,
           (double)totalIn / MB / totalDecode);
    return allGood ? 0 : 1;
}
