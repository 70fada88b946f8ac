// CheckRecord: a record's block through the installer's own decoder.
//
// Zero fill: where the code needs bits past the block's last byte, the
// decoder supplies zero bits, so an encoder may leave off a block's
// trailing zero bytes and the block still installs whole.  Past its last
// byte, though, the decoder goes on making bytes out of zero bits for as
// long as originalSize asks, so a record whose sizes are damaged would
// seem to expand too.  The check takes up to kZeroFillLimit bytes of zero
// fill as bytes that an encoder left off; a block whose code needs more
// does not give its originalSize bytes by itself.
//
// Where the code ends: rather than count in the installer's bit reader,
// the block is given to DecodeBlock with kZeroFillLimit + kLookAhead zero
// bytes behind it, as if it were that much longer.  The decoder then reads
// exactly what the installer reads (zeros either way), and its own
// counters tell how far it got: remainingInput is what it has not
// fetched, bitCount what it fetched but has not used.  The bit reader
// never holds more than sizeof(BitWord) bytes ahead of what it has used,
// so a block whose code ends within the limit always leaves some of the
// look-ahead unfetched, and a decoder that fetched it all has certainly
// needed more zero fill than the limit.
#include "scrpack/record_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "package/decoder.h"
#include "package/decoder_state.h"

namespace {

// Zero bytes an encoder may have left off a block.  The longest run of
// trailing zero bytes measured in blocks of our own encoder is about
// 1.3 KB (a file that ends on a long run of one byte, whose match code has
// become all zero bits); the limit leaves a wide margin, and a check of a
// damaged record stops after at most about 1.5 MB made of zero bits
// (3 bytes per bit: a 30-byte match in 10 bits).
const uint32_t kZeroFillLimit = 65536;
const uint32_t kLookAhead = 16;
static_assert(kLookAhead > sizeof(BitWord), "the look-ahead outlasts what the bit reader holds");

// The block's bytes from the package, then `zeros` zero bytes.
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
// the decoding stopped at its next pump step instead, as is a decoding
// that has run through the zero fill (it would otherwise go on making up
// the rest of a damaged file from zero bits, up to 2 GiB of it).
struct DecodedSink {
    const ByteSink *sink;
    const DecoderState *decoder;
    uint64_t written;
    int error;
    bool stop;
};

ssize_t WriteDecodedSink(void *cookie, const char *data, size_t size)
{
    DecodedSink *out = static_cast<DecodedSink *>(cookie);
    out->written += size;
    if (out->error == 0 && *out->sink && !(*out->sink)((const uint8_t *)data, size))
        out->error = errno ? errno : EIO;
    if (out->error != 0 || out->decoder->remainingInput == 0)
        out->stop = true;
    return (ssize_t)size;
}

// The decoder's pump step: nothing to keep alive, only the stop.
int StopWhenAsked(void *cookie)
{
    return static_cast<DecodedSink *>(cookie)->stop;
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
    if (record.originalSize > 0x7FFFFFFFu)
        return Problem("its size " + std::to_string(record.originalSize) +
                       " is above 2147483647; the installer would write nothing");
    const uint32_t fed = record.storedSize + kZeroFillLimit + kLookAhead;
    BlockSource source = {package.fd, record.dataOffset, (uint64_t)record.dataOffset + record.storedSize,
                          kZeroFillLimit + kLookAhead, 0};
    // The decoder's state, about 43 KB, on the heap.
    std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
    DecodedSink out = {&sink, decoder.get(), 0, 0, false};
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

    const PumpHook pump = {StopWhenAsked, &out};
    int32_t produced = DecodeBlock(decoder.get(), input, output, record.originalSize, fed, &pump);
    std::fflush(output);
    uint32_t unfetched = decoder->remainingInput;
    unsigned held = decoder->bitCount;
    std::fclose(input);
    std::fclose(output);

    if (source.error != 0)
        return Problem(std::string("cannot read the block: ") + std::strerror(source.error));
    if (out.error != 0)
        return Problem(std::strerror(out.error));
    uint64_t blockBits = 8ull * record.storedSize;
    uint64_t usedBits = unfetched == 0 ? UINT64_MAX : 8ull * (fed - unfetched) - held;
    if (usedBits > blockBits + 8ull * kZeroFillLimit)
        return Problem("its code runs more than " + std::to_string(kZeroFillLimit) +
                       " bytes past the end of the block without giving its " +
                       std::to_string(record.originalSize) + " bytes");
    if ((uint32_t)produced != record.originalSize || out.written != record.originalSize)
        return Problem("it expands to " + std::to_string(out.written) + " bytes, not " +
                       std::to_string(record.originalSize));
    RecordCheck check;
    check.sound = true;
    check.produced = out.written;
    if (usedBits > blockBits)
        check.zeroFillBits = usedBits - blockBits;
    else
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
