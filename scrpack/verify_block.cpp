// BlockExpandsTo: runs the installer's DecodeBlock over a block in memory.
#include "scrpack/verify_block.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "package/decoder.h"
#include "package/decoder_state.h"

bool BlockExpandsTo(const Bytes &block, const Bytes &original)
{
    if (block.empty() || original.empty())
        return false;
    FILE *input = fmemopen(const_cast<uint8_t *>(block.data()), block.size(), "rb");
    char *expanded = nullptr;
    size_t expandedSize = 0;
    // A memory stream never writes short, so the decoder's fatal-error exit
    // cannot cut the check off.
    FILE *output = open_memstream(&expanded, &expandedSize);
    bool same = false;
    if (input && output) {
        ReadPtr(nullptr, 0);
        WritePtr(nullptr, 0, 0);
        int32_t produced = DecodeBlock(input, output, (uint32_t)original.size(), (uint32_t)block.size());
        same = std::fflush(output) == 0 && (size_t)produced == original.size() &&
               expandedSize == original.size() && std::memcmp(expanded, original.data(), original.size()) == 0;
    }
    if (input)
        std::fclose(input);
    if (output)
        std::fclose(output);
    std::free(expanded);
    return same;
}
