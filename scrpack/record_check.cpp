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
//
// The decoder reads and writes FILE streams.  The block and its zero fill
// go to a scratch file first, which is its input; its output goes to a
// second scratch file, which the check's pump step (the decoder calls it
// after every kPumpInterval bytes) passes on to the sink and empties,
// stopping the decoding when the sink fails or the zero fill has run out.
// A write to the scratch file that falls short stops the decoder, which
// reports it in its state.
#include "scrpack/record_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/bytes.h"
#include "scrpack/system_layer.h"

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

// The decoding under way, for its pump step: the scratch file the decoder
// writes to, its state, and where its bytes go from there.  A failed sink
// is noted and the decoding stopped at the pump step, as is a decoding
// that has run through the zero fill (it would otherwise go on making up
// the rest of a damaged file from zero bits, up to 2 GiB of it).
struct Decoding {
    FILE *output;
    const DecoderState *decoder;
    const ByteSink *sink;
    uint64_t written;
    int error;
};

// Passes what the decoder has written since the last call on to the sink
// and empties the scratch file for what follows.
void Drain(Decoding *out)
{
    errno = 0;
    long size = std::fflush(out->output) == 0 ? std::ftell(out->output) : -1;
    if (size < 0) {
        out->error = errno ? errno : EIO;
        return;
    }
    std::rewind(out->output);
    uint8_t buffer[65536];
    for (long left = size; left > 0;) {
        size_t got = std::fread(buffer, 1, (size_t)std::min<long>(left, (long)sizeof buffer), out->output);
        if (got == 0) {
            out->error = out->error ? out->error : EIO;
            break;
        }
        out->written += got;
        if (out->error == 0 && *out->sink && !(*out->sink)(buffer, got))
            out->error = errno ? errno : EIO;
        left -= (long)got;
    }
    std::rewind(out->output);
}

// The decoder's pump step: nothing to keep alive, only the bytes so far
// to pass on, and the stop.
int DrainAndStop(void *context)
{
    Decoding *out = static_cast<Decoding *>(context);
    Drain(out);
    return out->error != 0 || out->decoder->remainingInput == 0;
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
        long long got = ReadAt(package.fd, buffer, (size_t)std::min<uint64_t>(sizeof buffer, end - offset), offset);
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

// A scratch file holding the block's bytes from the package, then `zeros`
// zero bytes, positioned at its start; null with error set on failure.
FILE *BlockWithZeroFill(const PackageFile &package, const FileRecord &record, uint32_t zeros, std::string *error)
{
    FILE *file = OpenScratchFile();
    if (!file) {
        *error = std::string("cannot make a scratch file: ") + std::strerror(errno);
        return nullptr;
    }
    bool ok = true;
    auto keep = [file, &ok](const uint8_t *data, size_t size) {
        errno = 0;
        ok = std::fwrite(data, 1, size, file) == size;
        return ok;
    };
    RecordCheck copied = CopyStored(package, record, keep);
    if (copied.sound) {
        static const uint8_t kZeros[4096] = {};
        for (uint32_t left = zeros; ok && left > 0;) {
            size_t now = std::min<size_t>(left, sizeof kZeros);
            keep(kZeros, now);
            left -= (uint32_t)now;
        }
        ok = ok && std::fflush(file) == 0;
    }
    if (!ok || !copied.sound) {
        *error = ok ? copied.problem : std::string("cannot write a scratch file: ") + std::strerror(errno ? errno : EIO);
        std::fclose(file);
        return nullptr;
    }
    std::rewind(file);
    return file;
}

RecordCheck Expand(const PackageFile &package, const FileRecord &record, const ByteSink &sink)
{
    if (record.originalSize > 0x7FFFFFFFu)
        return Problem("its size " + std::to_string(record.originalSize) +
                       " is above 2147483647; the installer would write nothing");
    const uint32_t fed = record.storedSize + kZeroFillLimit + kLookAhead;
    std::string error;
    FILE *input = BlockWithZeroFill(package, record, kZeroFillLimit + kLookAhead, &error);
    if (!input)
        return Problem(error);
    // The decoder's state, about 43 KB, on the heap.
    std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
    Decoding out = {OpenScratchFile(), decoder.get(), &sink, 0, 0};
    if (!out.output) {
        error = std::string("cannot make a scratch file: ") + std::strerror(errno);
        std::fclose(input);
        return Problem(error);
    }
    const PumpHook pump = {DrainAndStop, &out};
    int32_t produced = DecodeBlock(decoder.get(), input, out.output, record.originalSize, fed, &pump);
    if (decoder->writeFailed)
        out.error = errno ? errno : EIO;
    Drain(&out);
    uint32_t unfetched = decoder->remainingInput;
    unsigned bitsHeld = decoder->bitCount;
    std::fclose(input);
    std::fclose(out.output);

    if (out.error != 0)
        return Problem(std::strerror(out.error));
    uint64_t blockBits = 8ull * record.storedSize;
    uint64_t usedBits = unfetched == 0 ? UINT64_MAX : 8ull * (fed - unfetched) - bitsHeld;
    if (usedBits > blockBits + 8ull * kZeroFillLimit)
        return Problem("its code runs more than " + ByteCount(kZeroFillLimit) +
                       " past the end of the block without giving its " + ByteCount(record.originalSize));
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
        return Problem("the block runs " + ByteCount(end - package.size) + " past the end of the file");
    // The installer seeks with signed 32-bit offsets.
    if (end > PACKAGE_OFFSET_LIMIT)
        return Problem("the block ends beyond 2 GiB, where the installer cannot read");
    if (record.originalSize == 0)
        return CopyStored(package, record, sink);
    return Expand(package, record, sink);
}
