// Compressing the files of a package on several threads at once.  Each
// file is compressed on its own, exactly as CompressBlock does it alone,
// so the blocks are the same whatever the number of threads.
#ifndef SCRPACK_PACKAGE_FILE_COMPRESS_FILES_H
#define SCRPACK_PACKAGE_FILE_COMPRESS_FILES_H

#include <functional>
#include <vector>

#include "scrpack/codec/compress.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/text/bytes.h"

// The threads to use by default: one per processor.
unsigned CompressThreads();

// Compresses every file on up to threads threads (largest files first) and
// returns the blocks in the files' order.  advance, when given, hears of
// the input bytes done, from one thread at a time.  options.progress is
// not used.
std::vector<Bytes> CompressFiles(const std::vector<const Bytes *> &files, const CompressOptions &options,
                                 unsigned threads, const std::function<void(size_t bytes)> &advance = nullptr);

// A Compressor for BuildPackage that hands out the blocks made beforehand
// for these files (found by the content's address), and compresses any
// other content itself.
Compressor PrecompressedBlocks(std::vector<const Bytes *> files, std::vector<Bytes> blocks,
                               const CompressOptions &options);

#endif
