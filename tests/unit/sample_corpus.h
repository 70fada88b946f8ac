// Deterministic sample files of the kinds a screen saver package carries:
// a Windows program, 24-bit bitmaps, 16-bit PCM audio, MIDI, English text,
// random bytes and long runs.  The codec tests round-trip them and the
// benchmark measures on them; the same seed always gives the same bytes.
#ifndef TESTS_UNIT_SAMPLE_CORPUS_H
#define TESTS_UNIT_SAMPLE_CORPUS_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

enum class SampleKind { Program, Bitmap, Audio, Midi, Text, Random, Runs };

inline const char *SampleKindName(SampleKind kind)
{
    switch (kind) {
    case SampleKind::Program: return "program";
    case SampleKind::Bitmap: return "bitmap";
    case SampleKind::Audio: return "audio";
    case SampleKind::Midi: return "midi";
    case SampleKind::Text: return "text";
    case SampleKind::Random: return "random";
    case SampleKind::Runs: return "runs";
    }
    return "?";
}

// A small deterministic generator (xorshift64*).
struct SampleRandom {
    uint64_t state;
    explicit SampleRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return (uint32_t)((state * 0x2545F4914F6CDD1Dull) >> 32);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

namespace sample_detail {

inline void Put16(std::vector<uint8_t> &v, uint32_t x)
{
    v.push_back((uint8_t)x);
    v.push_back((uint8_t)(x >> 8));
}

inline void Put32(std::vector<uint8_t> &v, uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

inline void PutText(std::vector<uint8_t> &v, const char *s)
{
    v.insert(v.end(), s, s + strlen(s));
}

// Machine code in the style of a compiled C++ program: prologues and
// epilogues, calls and jumps with varying targets, stack and register
// moves, then strings, an import table of names and zero padding.
inline std::vector<uint8_t> Program(size_t size, SampleRandom &rng)
{
    std::vector<uint8_t> v;
    PutText(v, "MZ");
    v.resize(0x3C, 0);
    Put32(v, 0x80);
    v.resize(0x80, 0);
    PutText(v, "PE");
    v.resize(0x400, 0);
    static const char *names[] = {
        "GetModuleFileNameA", "CreateWindowExA", "DefWindowProcA", "RegisterClassA",
        "GetSystemMetrics", "SetTimer", "KillTimer", "BeginPaint", "EndPaint",
        "BitBlt", "CreateCompatibleDC", "SelectObject", "DeleteObject", "GetDC",
        "ReleaseDC", "LoadIconA", "LoadCursorA", "PostQuitMessage", "ShowCursor",
        "mciSendCommandA", "timeGetTime", "ReadFile", "CreateFileA", "CloseHandle"};
    size_t codeEnd = size * 7 / 10;
    while (v.size() < codeEnd) {
        // One function.
        const uint8_t prologue[] = {0x55, 0x8B, 0xEC, 0x83, 0xEC};
        v.insert(v.end(), prologue, prologue + 5);
        v.push_back((uint8_t)(4 * (1 + rng.Below(16))));
        int statements = 4 + (int)rng.Below(30);
        for (int i = 0; i < statements; i++) {
            switch (rng.Below(7)) {
            case 0: // mov reg, [ebp-x] or mov reg, [reg+x]
                v.push_back(0x8B);
                if (rng.Below(2)) {
                    v.push_back((uint8_t)(0x45 + 8 * rng.Below(8)));
                    v.push_back((uint8_t)(0x100 - 4 * (1 + rng.Below(40))));
                } else {
                    v.push_back((uint8_t)(0x40 + rng.Below(64)));
                    v.push_back((uint8_t)(4 * rng.Below(64)));
                }
                break;
            case 1: // mov [ebp-x], eax
                v.push_back(0x89);
                v.push_back(0x45);
                v.push_back((uint8_t)(0x100 - 4 * (1 + rng.Below(8))));
                break;
            case 2: { // push imm; call rel32
                v.push_back(0x6A);
                v.push_back((uint8_t)rng.Next());
                v.push_back(0xE8);
                uint32_t target = 0x1000 + 16 * rng.Below(6000) - (uint32_t)v.size();
                Put32(v, target);
                break;
            }
            case 3: // call [import]
                v.push_back(0xFF);
                v.push_back(0x15);
                Put32(v, 0x00405000 + 4 * rng.Below(24));
                break;
            case 4: // test eax, eax; jz short
                v.push_back(0x85);
                v.push_back(0xC0);
                v.push_back(0x74);
                v.push_back((uint8_t)rng.Below(64));
                break;
            case 5: // add esp, n; mov dword [addr], imm32
                v.push_back(0x83);
                v.push_back(0xC4);
                v.push_back((uint8_t)(4 * rng.Below(5)));
                v.push_back(0xC7);
                v.push_back(0x05);
                Put32(v, 0x00406000 + 4 * rng.Below(2000));
                Put32(v, rng.Below(3) ? rng.Below(1000) : rng.Next());
                break;
            default: // xor reg, reg; inc reg; cmp reg, imm
                v.push_back(0x33);
                v.push_back((uint8_t)(0xC0 + 9 * rng.Below(4)));
                v.push_back((uint8_t)(0x40 + rng.Below(8)));
                v.push_back(0x83);
                v.push_back((uint8_t)(0xF8 + rng.Below(8)));
                v.push_back((uint8_t)rng.Below(100));
                break;
            }
        }
        const uint8_t epilogue[] = {0x8B, 0xE5, 0x5D, 0xC3};
        v.insert(v.end(), epilogue, epilogue + 4);
        while (v.size() % 16)
            v.push_back(0xCC);
    }
    while (v.size() < size * 3 / 4) {
        // Initialised data: counters, masks, floating-point constants.
        uint32_t pick = rng.Below(4);
        Put32(v, pick == 0 ? rng.Next() : pick == 1 ? rng.Below(256) : pick == 2 ? 0x3F800000u + (rng.Below(4096) << 12) : 0);
    }
    while (v.size() < size * 8 / 10) {
        const char *name = names[rng.Below(24)];
        Put16(v, rng.Below(600));
        PutText(v, name);
        v.push_back(0);
        if (v.size() % 2)
            v.push_back(0);
    }
    while (v.size() < size * 9 / 10) {
        char line[96];
        snprintf(line, sizeof line, "Error %u: could not open %s (code %u)", rng.Below(100),
                 names[rng.Below(24)], rng.Below(5000));
        PutText(v, line);
        v.push_back(0);
    }
    v.resize(size, 0);
    return v;
}

// A 24-bit bitmap: smooth gradients under a few filled shapes, with a
// little noise, rows padded to four bytes.
inline std::vector<uint8_t> Bitmap(size_t size, SampleRandom &rng)
{
    const uint32_t width = 320;
    const uint32_t stride = (width * 3 + 3) & ~3u;
    uint32_t height = (uint32_t)((size > 54 ? size - 54 : 0) / stride) + 1;
    std::vector<uint8_t> v;
    PutText(v, "BM");
    Put32(v, 54 + stride * height);
    Put32(v, 0);
    Put32(v, 54);
    Put32(v, 40);
    Put32(v, width);
    Put32(v, height);
    Put16(v, 1);
    Put16(v, 24);
    Put32(v, 0);
    Put32(v, stride * height);
    Put32(v, 2835);
    Put32(v, 2835);
    Put32(v, 0);
    Put32(v, 0);
    struct Circle {
        int x, y, r;
        uint8_t b, g, rr;
    } circles[6];
    for (auto &c : circles)
        c = {(int)rng.Below(width), (int)rng.Below(height), 10 + (int)rng.Below(60), (uint8_t)rng.Next(),
             (uint8_t)rng.Next(), (uint8_t)rng.Next()};
    for (uint32_t y = 0; y < height && v.size() < size; y++) {
        for (uint32_t x = 0; x < width; x++) {
            int b = (int)(x * 255 / width), g = (int)((y * 255 / height) & 0xFF), r = (int)((x + y) / 3 & 0xFF);
            for (const auto &c : circles) {
                int dx = (int)x - c.x, dy = (int)y - c.y;
                if (dx * dx + dy * dy < c.r * c.r) {
                    b = c.b;
                    g = c.g;
                    r = c.rr;
                }
            }
            int noise = (int)rng.Below(5) - 2;
            v.push_back((uint8_t)std::min(255, std::max(0, b + noise)));
            v.push_back((uint8_t)std::min(255, std::max(0, g + noise)));
            v.push_back((uint8_t)std::min(255, std::max(0, r + noise)));
        }
        while ((v.size() - 54) % stride)
            v.push_back(0);
    }
    v.resize(size, 0);
    return v;
}

// 16-bit stereo PCM at 22050 Hz: a few tones with slowly changing
// loudness, a little noise, and a quiet stretch.
inline std::vector<uint8_t> Audio(size_t size, SampleRandom &rng)
{
    std::vector<uint8_t> v;
    PutText(v, "RIFF");
    Put32(v, (uint32_t)(size - 8));
    PutText(v, "WAVEfmt ");
    Put32(v, 16);
    Put16(v, 1);
    Put16(v, 2);
    Put32(v, 22050);
    Put32(v, 22050 * 4);
    Put16(v, 4);
    Put16(v, 16);
    PutText(v, "data");
    Put32(v, (uint32_t)(size - 44));
    const double pi = 3.14159265358979;
    double f1 = 220 + rng.Below(220), f2 = 330 + rng.Below(330), f3 = 55 + rng.Below(55);
    for (uint32_t n = 0; v.size() + 4 <= size; n++) {
        double t = n / 22050.0;
        double envelope = 0.5 + 0.5 * std::sin(2 * pi * 0.25 * t);
        if ((n / 22050) % 7 == 6)
            envelope = 0.01; // a near-silent second now and then
        double left = envelope * (6000 * std::sin(2 * pi * f1 * t) + 3000 * std::sin(2 * pi * f2 * t)) +
                      2500 * std::sin(2 * pi * f3 * t);
        double right = envelope * (5000 * std::sin(2 * pi * f1 * t + 0.5) + 3500 * std::sin(2 * pi * f2 * t)) +
                       2500 * std::sin(2 * pi * f3 * t + 0.2);
        Put16(v, (uint16_t)(int16_t)(left + (int)rng.Below(64) - 32));
        Put16(v, (uint16_t)(int16_t)(right + (int)rng.Below(64) - 32));
    }
    v.resize(size, 0);
    return v;
}

// A type 1 MIDI file: a tempo track, then tracks of note events with
// running status and repeated bars.
inline std::vector<uint8_t> Midi(size_t size, SampleRandom &rng)
{
    std::vector<uint8_t> v;
    PutText(v, "MThd");
    const uint8_t header[] = {0, 0, 0, 6, 0, 1, 0, 4, 0, 96};
    v.insert(v.end(), header, header + 10);
    auto track = [&](int channel) {
        PutText(v, "MTrk");
        size_t lengthAt = v.size();
        Put32(v, 0);
        uint8_t bar[64];
        int barLength = 0;
        for (int i = 0; i < 8; i++) {
            uint8_t note = (uint8_t)(48 + rng.Below(24));
            bar[barLength++] = 0;
            bar[barLength++] = note;
            bar[barLength++] = (uint8_t)(64 + rng.Below(40));
            bar[barLength++] = 48;
            bar[barLength++] = note;
            bar[barLength++] = 0;
        }
        v.push_back(0);
        v.push_back((uint8_t)(0xC0 | channel));
        v.push_back((uint8_t)rng.Below(128));
        v.push_back(0);
        v.push_back((uint8_t)(0x90 | channel));
        size_t limit = size > 16 ? size - 16 : 0;
        for (int bars = 0; v.size() + barLength + 8 < limit && bars < 400; bars++) {
            v.insert(v.end(), bar, bar + barLength);
            for (int change = (int)rng.Below(6); change > 0; change--) {
                int event = (int)rng.Below(8);
                bar[6 * event + 1] = bar[6 * event + 4] = (uint8_t)(48 + rng.Below(24));
                bar[6 * event + 2] = (uint8_t)(64 + rng.Below(40));
                bar[6 * event + 3] = (uint8_t)(24 + rng.Below(48));
            }
            if (rng.Below(3) == 0) { // a controller change before the bar
                const uint8_t control[] = {0, (uint8_t)(0xB0 | channel), (uint8_t)(1 + rng.Below(10)),
                                           (uint8_t)rng.Below(128), 0, (uint8_t)(0x90 | channel)};
                v.insert(v.end(), control, control + 6);
            }
        }
        const uint8_t end[] = {0, 0xFF, 0x2F, 0};
        v.insert(v.end(), end, end + 4);
        uint32_t length = (uint32_t)(v.size() - lengthAt - 4);
        for (int i = 0; i < 4; i++)
            v[lengthAt + i] = (uint8_t)(length >> (24 - 8 * i));
    };
    for (int channel = 0; v.size() + 64 < size && channel < 16; channel++)
        track(channel);
    v.resize(size, 0);
    return v;
}

// English-like prose: sentences from a vocabulary with a skewed choice of
// words, capitals, punctuation and paragraphs.
inline std::vector<uint8_t> Text(size_t size, SampleRandom &rng)
{
    static const char *words[] = {
        "the", "of", "and", "to", "a", "in", "is", "that", "it", "was", "for", "on", "are", "with",
        "as", "his", "they", "be", "at", "one", "have", "this", "from", "by", "hot", "word", "but",
        "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up", "use",
        "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if", "will",
        "way", "about", "many", "then", "them", "write", "would", "like", "so", "these", "her",
        "long", "make", "thing", "see", "him", "two", "has", "look", "more", "day", "could", "go",
        "come", "did", "number", "sound", "no", "most", "people", "my", "over", "know", "water",
        "than", "call", "first", "who", "may", "down", "side", "been", "now", "find", "screen",
        "saver", "window", "colour", "light", "moving", "stars", "aquarium", "fish", "gentle",
        "picture", "evening", "settings", "install", "quietly", "shimmering", "across", "display"};
    // The common words, then a long tail of rarer made-up ones.
    std::vector<std::string> vocabulary(std::begin(words), std::end(words));
    const uint32_t base = (uint32_t)vocabulary.size();
    static const char *syllables[] = {"ba", "ker", "mo", "lin", "ta", "ver", "son", "pre", "di", "al",
                                      "ous", "ment", "ing", "re", "con", "tion", "ex", "com", "pa", "ly"};
    while (vocabulary.size() < 2500) {
        std::string word;
        for (int n = 2 + (int)rng.Below(3); n > 0; n--)
            word += syllables[rng.Below(20)];
        vocabulary.push_back(word);
    }
    const uint32_t count = (uint32_t)vocabulary.size();
    std::string s;
    while (s.size() < size) {
        int sentences = 2 + (int)rng.Below(6);
        for (int i = 0; i < sentences; i++) {
            int length = 4 + (int)rng.Below(14);
            for (int w = 0; w < length; w++) {
                // Half the words are common ones; small indices are more
                // likely in both halves, a rough Zipf-like skew.
                uint32_t range = rng.Below(2) ? base : count;
                std::string word = vocabulary[std::min(rng.Below(range), rng.Below(range))];
                if (w == 0)
                    word[0] = (char)(word[0] - 'a' + 'A');
                s += word;
                if (w + 1 < length)
                    s += rng.Below(12) == 0 ? ", " : " ";
            }
            s += rng.Below(8) == 0 ? "? " : ". ";
        }
        s += "\r\n\r\n";
    }
    s.resize(size);
    return std::vector<uint8_t>(s.begin(), s.end());
}

inline std::vector<uint8_t> Random(size_t size, SampleRandom &rng)
{
    std::vector<uint8_t> v(size);
    for (auto &b : v)
        b = (uint8_t)rng.Next();
    return v;
}

// Runs of one byte, 1 to 4000 long, some of them spaces or zeros.
inline std::vector<uint8_t> Runs(size_t size, SampleRandom &rng)
{
    std::vector<uint8_t> v;
    while (v.size() < size) {
        uint32_t pick = rng.Below(4);
        uint8_t value = pick == 0 ? 0 : pick == 1 ? ' ' : (uint8_t)rng.Next();
        v.insert(v.end(), 1 + rng.Below(rng.Below(2) ? 4000 : 40), value);
    }
    v.resize(size);
    return v;
}

} // namespace sample_detail

inline std::vector<uint8_t> MakeSample(SampleKind kind, size_t size, uint64_t seed = 1)
{
    SampleRandom rng(seed * 16 + (uint64_t)kind);
    switch (kind) {
    case SampleKind::Program: return sample_detail::Program(size, rng);
    case SampleKind::Bitmap: return sample_detail::Bitmap(size, rng);
    case SampleKind::Audio: return sample_detail::Audio(size, rng);
    case SampleKind::Midi: return sample_detail::Midi(size, rng);
    case SampleKind::Text: return sample_detail::Text(size, rng);
    case SampleKind::Random: return sample_detail::Random(size, rng);
    case SampleKind::Runs: return sample_detail::Runs(size, rng);
    }
    return {};
}

#endif
