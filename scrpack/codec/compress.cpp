// CompressBlock: greedy longest-match parsing (the fast level) or a
// minimum-cost parse priced by the adaptive code (the best level).
#include "scrpack/codec/compress.h"

#include <algorithm>

#include "scrpack/codec/match_finder.h"
#include "scrpack/codec/symbol_coder.h"

namespace {

const size_t kProgressStep = 256 * 1024;

enum { kMinMatch = kMatchThreshold + 1 };

// Reports progress now and then.
struct ProgressReport {
    const CompressOptions &options;
    size_t next = kProgressStep;

    void At(size_t pos)
    {
        if (options.progress && pos >= next) {
            options.progress(pos);
            next = pos + kProgressStep;
        }
    }
    void Done(size_t size)
    {
        if (options.progress)
            options.progress(size);
    }
};

// Each position's longest match from the nearest candidate.
std::vector<uint8_t> CompressGreedy(const uint8_t *data, size_t size, const CompressOptions &options)
{
    MatchFinder finder(data, size, options.maxChain);
    SymbolCoder coder;
    ProgressReport report{options};
    size_t pos = 0;
    while (pos < size) {
        // The finder clips matches at the end of the file.
        Match m = finder.Find(pos);
        if (m.length == 0) {
            coder.PutLiteral(data[pos]);
            pos++;
        } else {
            coder.PutMatch(m.length, m.distance);
            for (size_t end = pos + (size_t)m.length; ++pos < end;)
                finder.Insert(pos);
        }
        report.At(pos);
    }
    report.Done(size);
    return coder.Finish();
}

// The cheapest way, in bits, through a window of the file: every literal
// and every match the finder offers at every position, priced by the code
// lengths the adaptive code has when the window starts.  The window's
// choices up to kWindow positions ahead are written (through the real
// adaptive code, which then moves on), and the next window starts where
// they end.  The search looks kMaxMatch positions beyond what it writes,
// so a match is not cut short by the window's end.
//
// Measured against this on the benchmark corpus, none of these made the
// blocks smaller by more than 0.02 % of their size, some made them larger:
// windows of 128 to 8000 bytes; prices from the symbol counts (-log2 of
// the share) instead of the code lengths; 0 to 16 sixteenths of a bit per
// symbol; literals made dearer or cheaper than matches by up to 1.5 bits;
// strict tie-breaking; parsing each window several ways (literals dearer,
// cheaper) and writing the one the adaptive code itself makes shortest;
// a second pass pricing each window partly by the code lengths the first
// pass had further on; chains of 1024 or 4096 candidates (-0.01 %, 10-20 % slower).  The
// nearest candidate of each length, which the finder gives, is also the
// one with the shortest position code.
class OptimalParser {
  public:
    OptimalParser(const uint8_t *data, size_t size, const CompressOptions &options)
        : data_(data), size_(size), finder_(data, size, options.maxChain), report_{options}
    {
    }

    std::vector<uint8_t> Run()
    {
        size_t start = 0;
        while (start < size_) {
            size_t end = std::min(size_, start + kWindow);
            size_t limit = std::min(size_, end + kMaxMatch);
            Price(start, limit);
            start = Write(start, end, limit);
            report_.At(start);
        }
        report_.Done(size_);
        return coder_.Finish();
    }

  private:
    enum { kWindow = 1024, kSpan = kWindow + kMaxMatch, kSlots = 2048, kScale = 16 };

    struct Step {
        uint32_t cost;
        uint16_t length;   // of the step that ends here: 1 literal, else a match
        uint16_t distance;
    };

    // The matches of file position pos, found once, in order.
    const Match *MatchesAt(size_t pos, int *count)
    {
        while (found_ <= pos) {
            size_t slot = found_ % kSlots;
            matchCount_[slot] = (uint8_t)finder_.FindAll(found_, matches_[slot]);
            found_++;
        }
        *count = matchCount_[pos % kSlots];
        return matches_[pos % kSlots];
    }

    void Price(size_t start, size_t limit)
    {
        // Prices in 1/kScale bits; one more for every symbol, so that of
        // two parses of the same length the one with fewer symbols wins:
        // the adaptive code makes the symbols it sees often cheaper.
        uint8_t lengths[kSymbolCount];
        coder_.CodeLengths(lengths);
        uint32_t price[kSymbolCount];
        for (int s = 0; s < kSymbolCount; s++)
            price[s] = kScale * lengths[s] + 1;
        size_t span = limit - start;
        steps_[0] = Step{0, 0, 0};
        for (size_t o = 1; o <= span; o++)
            steps_[o] = Step{UINT32_MAX, 0, 0};
        for (size_t o = 0; o < span; o++) {
            uint32_t here = steps_[o].cost;
            size_t pos = start + o;
            uint32_t literal = here + price[data_[pos]];
            if (literal <= steps_[o + 1].cost)
                steps_[o + 1] = Step{literal, 1, 0};
            int count;
            const Match *m = MatchesAt(pos, &count);
            int shortest = kMinMatch;
            for (int i = 0; i < count; i++) {
                uint32_t position = here + kScale * (uint32_t)SymbolCoder::PositionBits(m[i].distance);
                int longest = std::min<int>(m[i].length, (int)(span - o));
                for (int length = shortest; length <= longest; length++) {
                    uint32_t cost = position + price[256 - kMinMatch + length];
                    Step &to = steps_[o + (size_t)length];
                    if (cost <= to.cost)
                        to = Step{cost, (uint16_t)length, (uint16_t)m[i].distance};
                }
                shortest = m[i].length + 1;
            }
        }
    }

    // Writes the cheapest path's steps from start until it reaches end;
    // returns where the written steps end.
    size_t Write(size_t start, size_t end, size_t limit)
    {
        size_t o = limit - start;
        size_t count = 0;
        while (o > 0) {
            path_[count++] = o;
            o -= steps_[o].length;
        }
        size_t pos = start;
        while (count > 0 && pos < end) {
            const Step &step = steps_[path_[--count]];
            if (step.length == 1)
                coder_.PutLiteral(data_[pos]);
            else
                coder_.PutMatch(step.length, step.distance);
            pos += step.length;
        }
        return pos;
    }

    const uint8_t *data_;
    size_t size_;
    MatchFinder finder_;
    SymbolCoder coder_;
    ProgressReport report_;
    size_t found_ = 0;
    uint8_t matchCount_[kSlots] = {};
    Match matches_[kSlots][kMaxMatch];
    Step steps_[kSpan + 1] = {};
    size_t path_[kSpan + 1] = {};
};

} // namespace

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size)
{
    return CompressBlock(data, size, CompressOptions());
}

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size, const CompressOptions &options)
{
    if (options.level == CompressLevel::Fast)
        return CompressGreedy(data, size, options);
    // The parser's tables are large: keep them off the stack.
    std::unique_ptr<OptimalParser> parser(new OptimalParser(data, size, options));
    return parser->Run();
}
