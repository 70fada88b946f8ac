// Hash chains over three-byte prefixes.
#include "scrpack/codec/match_finder.h"

#include <algorithm>

#include "package/package_format.h"

namespace {
enum { kHashBits = 15, kMinMatch = kMatchThreshold + 1 };
}

MatchFinder::MatchFinder(const uint8_t *data, size_t size, int maxChain)
    : prefix_(kRingFillLength), maxChain_(maxChain), head_(1u << kHashBits, -1), prev_(kRingSize, -1)
{
    view_.assign(prefix_, ' ');
    view_.insert(view_.end(), data, data + size);
    // The spaces the first bytes may refer to.
    while (linked_ < prefix_)
        Link(linked_++);
}

uint32_t MatchFinder::HashAt(size_t at) const
{
    uint32_t v = (uint32_t)view_[at] | (uint32_t)view_[at + 1] << 8 | (uint32_t)view_[at + 2] << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

void MatchFinder::Link(size_t at)
{
    if (at + kMinMatch > view_.size())
        return;
    uint32_t h = HashAt(at);
    prev_[at % kRingSize] = head_[h];
    head_[h] = (int32_t)at;
}

void MatchFinder::Insert(size_t pos)
{
    size_t at = prefix_ + pos;
    while (linked_ <= at)
        Link(linked_++);
}

Match MatchFinder::Find(size_t pos)
{
    // The longest match is the last of the growing list FindAll gives.
    Match all[kMaxMatch];
    int count = FindAll(pos, all);
    return count > 0 ? all[count - 1] : Match();
}

int MatchFinder::FindAll(size_t pos, Match *out)
{
    int count = 0;
    int best = kMinMatch - 1;
    size_t at = prefix_ + pos;
    while (linked_ < at)
        Link(linked_++);
    size_t limit = std::min<size_t>(kMaxMatch, view_.size() - at);
    if (limit >= kMinMatch) {
        const uint8_t *here = &view_[at];
        int32_t cand = head_[HashAt(at)];
        for (int chain = 0; chain < maxChain_ && cand >= 0; chain++) {
            size_t distance = at - (size_t)cand;
            if (distance > kRingSize)
                break;
            const uint8_t *there = &view_[(size_t)cand];
            if (there[best] == here[best]) {
                int length = 0;
                while ((size_t)length < limit && there[length] == here[length])
                    length++;
                if (length > best) {
                    best = length;
                    out[count].length = length;
                    out[count].distance = (int)distance;
                    count++;
                    if ((size_t)length == limit)
                        break;
                }
            }
            int32_t older = prev_[(size_t)cand % kRingSize];
            if (older >= cand)
                break; // the slot was taken by a newer position
            cand = older;
        }
    }
    if (linked_ == at)
        Link(linked_++);
    return count;
}
