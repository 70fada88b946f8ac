// CompressBlock: greedy longest-match parsing into the adaptive code.
#include "scrpack/compress.h"

#include "scrpack/match_finder.h"
#include "scrpack/symbol_coder.h"

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size)
{
    return CompressBlock(data, size, CompressOptions());
}

std::vector<uint8_t> CompressBlock(const uint8_t *data, size_t size, const CompressOptions &options)
{
    const size_t kProgressStep = 256 * 1024;
    MatchFinder finder(data, size, options.maxChain);
    SymbolCoder coder;
    size_t nextReport = kProgressStep;
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
        if (options.progress && pos >= nextReport) {
            options.progress(pos);
            nextReport = pos + kProgressStep;
        }
    }
    if (options.progress)
        options.progress(size);
    return coder.Finish();
}
