// CompressFiles: a pool of std::threads taking files off a shared list.
#include "scrpack/package_file/compress_files.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

unsigned CompressThreads()
{
    unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

std::vector<Bytes> CompressFiles(const std::vector<const Bytes *> &files, const CompressOptions &options,
                                 unsigned threads, const std::function<void(size_t bytes)> &advance)
{
    std::vector<Bytes> blocks(files.size());
    // Largest first, so that no thread is left with a big file at the end.
    std::vector<size_t> order(files.size());
    for (size_t i = 0; i < order.size(); i++)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return files[a]->size() > files[b]->size(); });

    std::atomic<size_t> next{0};
    std::mutex reporting;
    auto work = [&]() {
        for (size_t taken; (taken = next++) < order.size();) {
            size_t index = order[taken];
            CompressOptions own = options;
            size_t reported = 0;
            own.progress = nullptr;
            if (advance) {
                own.progress = [&](size_t done) {
                    std::lock_guard<std::mutex> lock(reporting);
                    advance(done - reported);
                    reported = done;
                };
            }
            blocks[index] = CompressBlock(files[index]->data(), files[index]->size(), own);
        }
    };
    size_t count = std::min<size_t>(std::max(threads, 1u), files.size());
    std::vector<std::thread> pool;
    // The calling thread is one of the workers.
    for (size_t t = 1; t < count; t++)
        pool.emplace_back(work);
    work();
    for (std::thread &thread : pool)
        thread.join();
    return blocks;
}

Compressor PrecompressedBlocks(std::vector<const Bytes *> files, std::vector<Bytes> blocks,
                               const CompressOptions &options)
{
    struct Made {
        std::vector<const Bytes *> files;
        std::vector<Bytes> blocks;
        CompressOptions options;
    };
    auto made = std::make_shared<Made>(Made{std::move(files), std::move(blocks), options});
    return [made](const Bytes &content) {
        for (size_t i = 0; i < made->files.size(); i++)
            if (made->files[i] == &content)
                return made->blocks[i];
        return CompressBlock(content.data(), content.size(), made->options);
    };
}
