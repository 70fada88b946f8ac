// Codec benchmark: generates a deterministic corpus of about 10 MB (a
// Windows program, 24-bit bitmaps, 16-bit PCM audio, MIDI, English text,
// random bytes), then prints per file and overall, side by side from the
// same run:
//   - the block size in percent of the file for the greedy encoder (the
//     fast level, and the baseline) and for the best level, and best's
//     size in percent of greedy's;
//   - both encoders' speed;
//   - the decoding speed of the plain decoder (tests/unit/plain_decoder.h,
//     the baseline) and of the installer's decoder, and their ratio.
// Speeds are in MB/s (1 MB = 2^20 bytes) of CPU time, the best of N
// samples of at least a second each.  Every block is checked to decode to
// its file with both decoders.
//
// It builds natively (bench/CMakeLists.txt) and as a PE32 program
// (bench/pe32_codec_bench.sh), so that the decoder is measured where the
// installer runs too.
//
//   codec_bench                  the whole corpus
//   codec_bench --repeat N       take N samples of each decoding, keep the best
//   codec_bench --decode-wav     only decode the 2 MB stereo WAV once (for
//                                callgrind; see callgrind_decode.sh)
//   codec_bench --decode-wav --plain   the same with the plain decoder
//   codec_bench --write-sample KIND SIZE SEED FILE
//                                writes one sample file of the corpus's
//                                kinds (program, bitmap, audio, midi, text,
//                                random, runs), for install_bench.py
//   codec_bench --write-block KIND SIZE SEED FILE
//                                writes that sample's compressed block, for
//                                callgrind_decode_i686.sh
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

#include "package/crc32.h"
#include "package/decoder.h"
#include "scrpack/codec/compress.h"
#include "tests/unit/plain_decoder.h"
#include "tests/unit/sample_corpus.h"

using DecodeFunction = CopyEnd (*)(const BlockSource *, const BlockSink *, uint32_t, uint32_t, const PumpHook *);

namespace {

// The installer's decoder as ExpandFile runs it, on the decoder's own
// state, and the plain decoder, with the same arguments.  Neither gets a
// pump step: there is nothing to keep alive here.
__attribute__((noinline)) CopyEnd InstallerDecodeBlock(const BlockSource *input, const BlockSink *output,
                                                       uint32_t originalSize, uint32_t storedSize,
                                                       const PumpHook *pump)
{
    return DecodeBlockOnOwnState(input, output, originalSize, storedSize, pump);
}

CopyEnd PlainDecodeBlock(const BlockSource *input, const BlockSink *output, uint32_t originalSize,
                         uint32_t storedSize, const PumpHook *pump)
{
    plain::DecodeBlock(input, output, originalSize, storedSize, pump);
    return plain::End(originalSize);
}

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
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME &t) {
        return (double)((uint64_t)t.dwHighDateTime << 32 | t.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
#else
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
#endif
}

// The block from memory, the output into memory (check) or into nothing
// (timing).
struct Streams {
    const std::vector<uint8_t> *block;
    size_t position = 0;
    bool keep = false;
    std::vector<uint8_t> output;
    BlockSource source = {Read, this};
    BlockSink sink = {Write, this};

    static uint32_t Read(void *context, uint8_t *buffer, uint32_t count)
    {
        auto *self = static_cast<Streams *>(context);
        size_t n = std::min((size_t)count, self->block->size() - self->position);
        if (n > 0)
            memcpy(buffer, self->block->data() + self->position, n);
        self->position += n;
        return (uint32_t)n;
    }

    static uint32_t Write(void *context, const uint8_t *buffer, uint32_t count)
    {
        auto *self = static_cast<Streams *>(context);
        if (self->keep)
            self->output.insert(self->output.end(), buffer, buffer + count);
        return count;
    }
};

// Decodes block into memory.
std::vector<uint8_t> Decode(DecodeFunction decode, const std::vector<uint8_t> &block, size_t size)
{
    Streams streams;
    streams.block = &block;
    streams.keep = true;
    decode(&streams.source, &streams.sink, (uint32_t)size, (uint32_t)block.size(), nullptr);
    return streams.output;
}

// A timed sample decodes the block again and again until it has taken this
// much CPU time: Windows counts CPU time in ticks of 10 ms or more.
const double kSampleSeconds = 1.0;

// CPU seconds per decode into nothing, for one sample.
double TimeSample(DecodeFunction decode, const std::vector<uint8_t> &block, size_t size)
{
    int runs = 0;
    double start = CpuSeconds(), seconds;
    Streams streams;
    streams.block = &block;
    do {
        streams.position = 0;
        decode(&streams.source, &streams.sink, (uint32_t)size, (uint32_t)block.size(), nullptr);
        runs++;
        seconds = CpuSeconds() - start;
    } while (seconds < kSampleSeconds);
    return seconds / runs;
}

// CPU seconds per decode into nothing of both decoders, the best of repeat
// samples each.  The samples alternate, so that both decoders meet the
// same load on a shared machine.
void TimeDecoders(const std::vector<uint8_t> &block, size_t size, int repeat, double *plainBest,
                  double *installerBest)
{
    *plainBest = *installerBest = 1e30;
    for (int r = 0; r < repeat; r++) {
        *plainBest = std::min(*plainBest, TimeSample(PlainDecodeBlock, block, size));
        *installerBest = std::min(*installerBest, TimeSample(InstallerDecodeBlock, block, size));
    }
}

} // namespace

// Bytes a second of the CRC-32 over a 32 MiB buffer in the integrity
// check's 32 KiB pieces, best of repeat passes.
double Crc32Speed(int repeat)
{
    std::vector<uint8_t> data = MakeSample(SampleKind::Random, 32 << 20, 7);
    Crc32Table table;
    InitCrc32Table(&table);
    double best = 1e30;
    volatile uint32_t sink = 0;
    for (int r = 0; r < repeat; r++) {
        double start = CpuSeconds();
        uint32_t crc = 0;
        for (size_t at = 0; at < data.size(); at += 32768)
            crc = UpdateCrc32(&table, crc, data.data() + at, 32768);
        best = std::min(best, CpuSeconds() - start);
        sink = sink + crc;
    }
    return (double)data.size() / best;
}

int main(int argc, char **argv)
{
    bool writeBlock = argc == 6 && !strcmp(argv[1], "--write-block");
    if (argc == 6 && (writeBlock || !strcmp(argv[1], "--write-sample"))) {
        for (SampleKind kind : {SampleKind::Program, SampleKind::Bitmap, SampleKind::Audio, SampleKind::Midi,
                                SampleKind::Text, SampleKind::Random, SampleKind::Runs}) {
            if (strcmp(argv[2], SampleKindName(kind)) != 0)
                continue;
            std::vector<uint8_t> bytes = MakeSample(kind, strtoull(argv[3], nullptr, 10), strtoull(argv[4], nullptr, 10));
            if (writeBlock)
                bytes = CompressBlock(bytes.data(), bytes.size());
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
        Streams streams;
        streams.block = &block;
        (plainOnly ? PlainDecodeBlock : InstallerDecodeBlock)(&streams.source, &streams.sink, (uint32_t)wav.size(),
                                                              (uint32_t)block.size(), nullptr);
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
            if (Decode(InstallerDecodeBlock, *b, file.bytes.size()) != file.bytes ||
                Decode(PlainDecodeBlock, *b, file.bytes.size()) != file.bytes) {
                printf("%-12s DOES NOT DECODE TO ITS FILE\n", file.name.c_str());
                allGood = false;
            }
        }
        double plainTime, fastTime;
        TimeDecoders(block, file.bytes.size(), repeat, &plainTime, &fastTime);
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
    printf("crc32: %.0f MB/s (the integrity check's pass over a package)\n", Crc32Speed(repeat) / MB);
    return allGood ? 0 : 1;
}
