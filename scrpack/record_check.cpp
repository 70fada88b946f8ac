// CheckRecord: a record's block through the installer's own decoder.
//
// Whether the code runs past the block's end: the decoder hands out zero
// bits once the block's bytes are used up, so an expansion that needed
// them looks just as finished as one that did not.  Rather than count in
// the installer's bit reader, the block is given to DecodeBlock with
// kLookAhead zero bytes behind it, as if it were that much longer.  The
// decoder then reads exactly what the installer reads (zeros either way),
// and its own counters tell how far it got: remainingInput is what it has
// not fetched, bitCount what it fetched but has not used.  The bit reader
// never holds more than 4 bytes ahead of what it has used, so a sound
// block always leaves some of the look-ahead unfetched, and a decoder that
// fetched it all has certainly read past the end.
#include "scrpack/record_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "engine/extraction.h"
#include "package/decoder.h"
#include "package/decoder_state.h"

namespace {

const uint32_t kLookAhead = 16;

// The block's bytes from the package, then kLookAhead zero bytes.
struct BlockSource {
    int fd;
    uint64_t next, end;
    uint32_t zeros;
    int error;
};

ssize_t ReadBlockSource(void *cookie, char *buffer, size_t size)
{
    BlockSource *source = static_cast<BlockSource *>(cookie);
    size_t done = 0;
    while (done < size && source->next < source->end && source->error == 0) {
        size_t want = (size_t)std::min<uint64_t>(size - done, source->end - source->next);
        ssize_t got = pread(source->fd, buffer + done, want, (off_t)source->next);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            source->error = got < 0 ? errno : EIO; // the file shrank under us
            break;
        }
        done += (size_t)got;
        source->next += (uint64_t)got;
    }
    if (source->next == source->end) {
        size_t zeros = std::min<size_t>(size - done, source->zeros);
        std::memset(buffer + done, 0, zeros);
        source->zeros -= (uint32_t)zeros;
        done += zeros;
    }
    return (ssize_t)done;
}

// Where the decoder's output goes.  It never reports a short write: the
// decoder would end the whole process on one.  A failed sink is noted and
// the decoding stopped through the abort flag instead, as is a decoding
// that has run through the look-ahead (it would otherwise go on making up
// the rest of a damaged file from zero bits, up to 2 GiB of it).
struct DecodedSink {
    const ByteSink *sink;
    uint64_t written;
    int error;
};

ssize_t WriteDecodedSink(void *cookie, const char *data, size_t size)
{
    DecodedSink *out = static_cast<DecodedSink *>(cookie);
    out->written += size;
    if (out->error == 0 && *out->sink && !(*out->sink)((const uint8_t *)data, size))
        out->error = errno ? errno : EIO;
    if (out->error != 0 || remainingInput == 0)
        abortRequested = 1;
    return (ssize_t)size;
}

RecordCheck Problem(const std::string &text)
{
    RecordCheck check;
    check.problem = text;
    return check;
}

RecordCheck CopyStored(const PackageFile &package, const FileRecord &record, const ByteSink &sink)
{
    uint8_t buffer[65536];
    uint64_t offset = record.dataOffset, end = offset + record.storedSize;
    while (offset < end) {
        ssize_t got = pread(package.fd, buffer, (size_t)std::min<uint64_t>(sizeof buffer, end - offset), (off_t)offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return Problem(std::string("cannot read the block: ") + std::strerror(got < 0 ? errno : EIO));
        if (sink && !sink(buffer, (size_t)got))
            return Problem(std::strerror(errno));
        offset += (uint64_t)got;
    }
    RecordCheck check;
    check.sound = true;
    check.produced = record.storedSize;
    return check;
}

RecordCheck Expand(const PackageFile &package, const FileRecord &record, const ByteSink &sink)
{
    BlockSource source = {package.fd, record.dataOffset, (uint64_t)record.dataOffset + record.storedSize,
                          kLookAhead, 0};
    DecodedSink out = {&sink, 0, 0};
    FILE *input = fopencookie(&source, "rb", {ReadBlockSource, nullptr, nullptr, nullptr});
    FILE *output = fopencookie(&out, "wb", {nullptr, WriteDecodedSink, nullptr, nullptr});
    if (!input || !output) {
        if (input)
            std::fclose(input);
        if (output)
            std::fclose(output);
        return Problem(std::strerror(errno));
    }
    // Each write of the decoder reaches the sink as it is made.
    setvbuf(output, nullptr, _IONBF, 0);

    int32_t savedAbort = abortRequested, savedExempt = abortExempt;
    abortRequested = 0;
    abortExempt = 0;
    int32_t produced = DecodeBlock(input, output, record.originalSize, record.storedSize + kLookAhead);
    std::fflush(output);
    uint32_t unfetched = remainingInput;
    unsigned held = bitCount;
    abortRequested = savedAbort;
    abortExempt = savedExempt;
    std::fclose(input);
    std::fclose(output);

    if (source.error != 0)
        return Problem(std::string("cannot read the block: ") + std::strerror(source.error));
    if (out.error != 0)
        return Problem(std::strerror(out.error));
    uint64_t blockBits = 8ull * record.storedSize;
    if (unfetched == 0)
        return Problem("its code runs past the end of the block");
    uint64_t usedBits = 8ull * (record.storedSize + kLookAhead - unfetched) - held;
    if (usedBits > blockBits)
        return Problem("its code runs " + std::to_string(usedBits - blockBits) + " bits past the end of the block");
    if (record.originalSize > 0x7FFFFFFFu)
        return Problem("its size " + std::to_string(record.originalSize) +
                       " is above 2147483647; the installer would write nothing");
    if ((uint32_t)produced != record.originalSize || out.written != record.originalSize)
        return Problem("it expands to " + std::to_string(out.written) + " bytes, not " +
                       std::to_string(record.originalSize));
    RecordCheck check;
    check.sound = true;
    check.produced = out.written;
    check.unusedBytes = (blockBits - usedBits) / 8;
    return check;
}

} // namespace

RecordCheck CheckRecord(const PackageFile &package, const FileRecord &record, const ByteSink &sink)
{
    uint64_t end = (uint64_t)record.dataOffset + record.storedSize;
    if (record.dataOffset < package.dataStart)
        return Problem("the block starts inside the installer or its manifest (offset " +
                       std::to_string(record.dataOffset) + ")");
    if (end > package.size)
        return Problem("the block runs " + std::to_string(end - package.size) + " bytes past the end of the file");
    // The installer seeks with signed 32-bit offsets.
    if (end > PACKAGE_OFFSET_LIMIT)
        return Problem("the block ends beyond 2 GiB, where the installer cannot read");
    if (record.originalSize == 0)
        return CopyStored(package, record, sink);
    return Expand(package, record, sink);
}
