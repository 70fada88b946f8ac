// Codec benchmark: generates a deterministic corpus of about 10 MB (a
// Windows program, 24-bit bitmaps, 16-bit PCM audio, MIDI, English text,
// random bytes), then prints per file and overall, side by side from the
// same run:
//   - the block size in percent of the file for the greedy encoder (the
//     fast level, and the baseline) and for the best level, and best's
//     size in percent of greedy's;
//   - both encoders' speed;
//   - the decoding speed of the plain decoder (bench/plain_decoder.h, the
//     baseline) and of the installer's decoder, and their ratio.
// Speeds are in MB/s (1 MB = 2^20 bytes) of CPU time.  Every block is
// checked to decode to its file with both decoders.
//
//   codec_bench                  the whole corpus
//   codec_bench --repeat N       decode each block N times, keep the best
//   codec_bench --decode-wav     only decode the 2 MB stereo WAV once (for
//                                callgrind; see callgrind_decode.sh)
//   codec_bench --decode-wav --plain   the same with the plain decoder
//   codec_bench --write-sample KIND SIZE SEED FILE
//                                writes one sample file of the corpus's
//                                kinds (program, bitmap, audio, midi, text,
//                                random, runs), for install_bench.py
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/plain_decoder.h"
#include "package/decoder.h"
#include "scrpack/compress.h"
#include "tests/unit/sample_corpus.h"

// Nothing to keep alive here.
void RunMessagePumpStep(void)
{
}

using DecodeFunction = int32_t (*)(FILE *, FILE *, uint32_t, uint32_t);

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
std::vector<uint8_t> Decode(DecodeFunction decode, const std::vector<uint8_t> &block, size_t size, bool keep)
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
    decode(input, output, (uint32_t)size, (uint32_t)block.size());
    fclose(input);
    fclose(output);
    std::vector<uint8_t> out;
    if (keep)
        out.assign(text, text + length);
    free(text);
    return out;
}

} // namespace

// Best of repeat timed decodes, in CPU seconds.
double TimeDecode(DecodeFunction decode, const std::vector<uint8_t> &block, size_t size, int repeat)
{
    double best = 1e30;
    for (int r = 0; r < repeat; r++) {
        double start = CpuSeconds();
        Decode(decode, block, size, false);
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

int main(int argc, char **argv)
{
    if (argc == 6 && !strcmp(argv[1], "--write-sample")) {
        for (SampleKind kind : {SampleKind::Program, SampleKind::Bitmap, SampleKind::Audio, SampleKind::Midi,
                                SampleKind::Text, SampleKind::Random, SampleKind::Runs}) {
            if (strcmp(argv[2], SampleKindName(kind)) != 0)
                continue;
            std::vector<uint8_t> bytes = MakeSample(kind, strtoull(argv[3], nullptr, 10), strtoull(argv[4], nullptr, 10));
            FILE *file = fopen(argv[5], "wb");
            if (!file || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || fclose(file) != 0) {
                perror(argv[5]);
                return 1;
            }
            return 0;
        }
        fprintf(stderr, "codec_bench: no sample kind %s\n", argv[2]);
        return 2;
    }
    int repeat = 3;
    bool wavOnly = false, plainOnly = false;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--decode-wav"))
            wavOnly = true;
        else if (!strcmp(argv[i], "--plain"))
            plainOnly = true;
        else {
            fprintf(stderr, "usage: codec_bench [--repeat N] [--decode-wav [--plain]]\n");
            return 2;
        }
    }
    if (repeat < 1)
        repeat = 1;

    if (wavOnly) {
        std::vector<uint8_t> wav = MakeSample(SampleKind::Audio, 2 << 20, 1);
        std::vector<uint8_t> block = CompressBlock(wav.data(), wav.size());
        Decode(plainOnly ? plain::DecodeBlock : DecodeBlock, block, wav.size(), false);
        printf("decoded %zu bytes from a block of %zu\n", wav.size(), block.size());
        return 0;
    }

    const double MB = 1 << 20;
    CompressOptions greedy;
    greedy.level = CompressLevel::Fast;
    printf("%-12s %9s | %7s %7s %6s | %8s %8s | %8s %8s %6s\n", "", "", "greedy", "best", "best/", "greedy",
           "best", "plain", "fast", "fast/");
    printf("%-12s %9s | %7s %7s %6s | %8s %8s | %8s %8s %6s\n", "file", "bytes", "block%", "block%", "greedy",
           "enc MB/s", "enc MB/s", "dec MB/s", "dec MB/s", "plain");
    size_t totalIn = 0, totalGreedy = 0, totalBest = 0;
    double totalGreedyTime = 0, totalBestTime = 0, totalPlain = 0, totalFast = 0;
    bool allGood = true;
    auto row = [&](const char *name, size_t bytes, size_t g, size_t b, double gt, double bt, double pt, double ft) {
        printf("%-12s %9zu | %6.1f%% %6.1f%% %5.1f%% | %8.2f %8.2f | %8.2f %8.2f %5.2fx\n", name, bytes,
               100.0 * (double)g / (double)bytes, 100.0 * (double)b / (double)bytes, 100.0 * (double)b / (double)g,
               (double)bytes / MB / gt, (double)bytes / MB / bt, (double)bytes / MB / pt, (double)bytes / MB / ft,
               pt / ft);
    };
    for (const CorpusFile &file : MakeCorpus()) {
        double start = CpuSeconds();
        std::vector<uint8_t> greedyBlock = CompressBlock(file.bytes.data(), file.bytes.size(), greedy);
        double greedyTime = CpuSeconds() - start;
        start = CpuSeconds();
        std::vector<uint8_t> block = CompressBlock(file.bytes.data(), file.bytes.size());
        double bestTime = CpuSeconds() - start;

        for (const std::vector<uint8_t> *b : {&greedyBlock, &block}) {
            if (Decode(DecodeBlock, *b, file.bytes.size(), true) != file.bytes ||
                Decode(plain::DecodeBlock, *b, file.bytes.size(), true) != file.bytes) {
                printf("%-12s DOES NOT DECODE TO ITS FILE\n", file.name.c_str());
                allGood = false;
            }
        }
        // Both decoders on the same block, alternating, in the same run.
        double plainTime = TimeDecode(plain::DecodeBlock, block, file.bytes.size(), repeat);
        double fastTime = TimeDecode(DecodeBlock, block, file.bytes.size(), repeat);
        row(file.name.c_str(), file.bytes.size(), greedyBlock.size(), block.size(), greedyTime, bestTime, plainTime,
            fastTime);
        totalIn += file.bytes.size();
        totalGreedy += greedyBlock.size();
        totalBest += block.size();
        totalGreedyTime += greedyTime;
        totalBestTime += bestTime;
        totalPlain += plainTime;
        totalFast += fastTime;
    }
    row("overall", totalIn, totalGreedy, totalBest, totalGreedyTime, totalBestTime, totalPlain, totalFast);
    printf("blocks: greedy %zu bytes, best %zu bytes\n", totalGreedy, totalBest);
    return allGood ? 0 : 1;
}
