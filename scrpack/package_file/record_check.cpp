// CheckRecord: a record's block through the installer's own decoder.
//
// A block whose code runs on past its last byte, into the zero bits the
// bit reader supplies there, is damaged, as the installer takes it: cut
// short or damaged, it would otherwise seem to expand, made up of zero
// bits up to its originalSize.  The decoder tells how far the code got in
// bits (UsedBlockBits).
//
// The decoder reads the block straight from the package file, at the
// block's offset, and passes what it expands on to the sink as it goes.
#include "scrpack/package_file/record_check.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "package/decoder.h"
#include "package/decoder_state.h"
#include "scrpack/system/system.h"
#include "scrpack/text/bytes.h"

namespace {

// The block as the decoder's source: read from the package file at the
// block's next offset.  A read that fails, or finds the file ended (the
// record's checks put the block inside it), is noted in error.
struct BlockReading {
    int fd;
    uint64_t offset;
    int error;
};

uint32_t ReadBlock(void *context, uint8_t *buffer, uint32_t count)
{
    BlockReading *in = static_cast<BlockReading *>(context);
    uint32_t got = 0;
    while (got < count && in->error == 0) {
        long long n = ReadAt(in->fd, buffer + got, count - got, in->offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            in->error = n < 0 ? errno : EIO;
            break;
        }
        got += (uint32_t)n;
        in->offset += (uint64_t)n;
    }
    return got;
}

// The caller's sink as the decoder's: counts what it took, and notes why
// it failed.
struct Delivery {
    const ByteSink *sink;
    uint64_t written;
    int error;
};

uint32_t Deliver(void *context, const uint8_t *data, uint32_t count)
{
    Delivery *out = static_cast<Delivery *>(context);
    errno = 0;
    if (*out->sink && !(*out->sink)(data, count)) {
        out->error = errno ? errno : EIO;
        return 0;
    }
    out->written += count;
    return count;
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
    BlockReading in = {package.fd, record.dataOffset, 0};
    uint64_t end = record.dataOffset + (uint64_t)record.storedSize;
    while (in.offset < end) {
        uint32_t got = ReadBlock(&in, buffer, (uint32_t)std::min<uint64_t>(sizeof buffer, end - in.offset));
        if (in.error != 0)
            return Problem(std::string("cannot read the block: ") + std::strerror(in.error));
        if (sink && !sink(buffer, got))
            return Problem(std::strerror(errno));
    }
    RecordCheck check;
    check.sound = true;
    check.produced = record.storedSize;
    return check;
}

RecordCheck Expand(const PackageFile &package, const FileRecord &record, const ByteSink &sink)
{
    if (record.originalSize > kMaxExpandedSize)
        return Problem("its size " + std::to_string(record.originalSize) + " is above " +
                       std::to_string(kMaxExpandedSize) + "; the installer would write nothing");
    BlockReading in = {package.fd, record.dataOffset, 0};
    Delivery out = {&sink, 0, 0};
    const BlockSource source = {ReadBlock, &in};
    const BlockSink destination = {Deliver, &out};
    // The decoder's state, about 43 KB, on the heap.
    std::unique_ptr<DecoderState> decoder = std::make_unique<DecoderState>();
    CopyEnd end = DecodeBlock(decoder.get(), &source, &destination, record.originalSize, record.storedSize, nullptr);
    if (in.error != 0)
        return Problem(std::string("cannot read the block: ") + std::strerror(in.error));
    if (end == kCopyShortWrite)
        return Problem(std::strerror(out.error));
    uint64_t usedBits = UsedBlockBits(decoder.get(), record.storedSize);
    uint64_t blockBits = 8ull * record.storedSize;
    if (end == kCopyInputEnded)
        return Problem("its code runs " + std::to_string(usedBits - blockBits) +
                       " bits past the end of the block without giving its " + ByteCount(record.originalSize));
    if (end != kCopyWhole || out.written != record.originalSize)
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
