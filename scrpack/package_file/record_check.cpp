// CheckRecord: a record's block through the installer's own decoder.
//
// A block whose code runs on past its last byte, into the zero bits the
// bit reader supplies there, is damaged, as the installer takes it: cut
// short or damaged, it would otherwise seem to expand, made up of zero
// bits up to its originalSize.  The decoder's counters tell how far
// the code got: remainingInput is what it has not fetched, bitCount what
// it fetched but has not used, fillBits the zero bits it fetched past the
// block's end.
//
// The decoder reads and writes FILE streams.  The block goes to a scratch
// file first, which is its input; its output goes to a second scratch
// file, which the check's pump step (the decoder calls it after every
// kPumpInterval bytes) passes on to the sink and empties, stopping the
// decoding when the sink fails or the input has run out.  A write to the
// scratch file that falls short stops the decoder, which reports it in its
// state.
#include "scrpack/package_file/record_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/system/system.h"
#include "scrpack/text/bytes.h"

namespace {

// The decoding under way, for its pump step: the scratch file the decoder
// writes to, its state, and where its bytes go from there.  A failed sink
// is noted and the decoding stopped at the pump step.
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
// to pass on, and the stop, also of a block whose input has run out (as
// the installer stops it: the rest would be made of zero bits).
int DrainAndStop(void *context)
{
    Decoding *out = static_cast<Decoding *>(context);
    Drain(out);
    return out->error != 0 || InputRanOut(out->decoder);
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

// A scratch file holding the block's bytes from the package, positioned at
// its start; null with error set on failure.
FILE *BlockCopy(const PackageFile &package, const FileRecord &record, std::string *error)
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
    ok = ok && std::fflush(file) == 0;
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
    std::string error;
    FILE *input = BlockCopy(package, record, &error);
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
    int32_t produced = DecodeBlock(decoder.get(), input, out.output, record.originalSize, record.storedSize, &pump);
    if (decoder->writeFailed)
        out.error = errno ? errno : EIO;
    Drain(&out);
    std::fclose(input);
    std::fclose(out.output);

    if (out.error != 0)
        return Problem(std::strerror(out.error));
    // Bits the code used: those fetched, the zero fill included, less
    // those still held.
    uint64_t usedBits = 8ull * (record.storedSize - decoder->remainingInput) + decoder->fillBits - decoder->bitCount;
    uint64_t blockBits = 8ull * record.storedSize;
    if (InputRanOut(decoder.get()))
        return Problem("its code runs " + std::to_string(usedBits - blockBits) +
                       " bits past the end of the block without giving its " + ByteCount(record.originalSize));
    if ((uint32_t)produced != record.originalSize || out.written != record.originalSize)
        return Problem("it expands to " + std::to_string(out.written) + " bytes, not " +
                       std::to_string(record.originalSize));
    RecordCheck check;
    check.sound = true;
    check.produced = out.written;
    check.unusedBytes = usedBits < blockBits ? (blockBits - usedBits) / 8 : 0;
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
