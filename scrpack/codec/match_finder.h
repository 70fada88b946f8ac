// Finds earlier occurrences of the bytes ahead, as far back as the
// decoder's ring reaches.
//
// The finder works on the decoder's view of the data: the 4066 spaces the
// ring starts with, then the file.  A match may start in those spaces, but
// never further back: ring positions 4066-4095 hold nothing the decoder can
// count on until the file's own bytes reach them.
#ifndef SCRPACK_CODEC_MATCH_FINDER_H
#define SCRPACK_CODEC_MATCH_FINDER_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct Match {
    int length = 0;    // 0 when nothing of kMinMatch bytes or more was found
    int distance = 0;  // 1-4096 bytes back
};

class MatchFinder {
  public:
    // maxChain bounds the candidates examined per position.
    MatchFinder(const uint8_t *data, size_t size, int maxChain);

    // The longest match for file position pos (ties go to the nearest),
    // never running past the file's end.  Positions are asked in order;
    // every position before pos must have been passed to Insert or Find.
    Match Find(size_t pos);
    // Every match length worth having at file position pos: the nearest
    // candidate for each new longest length, nearest first, so lengths and
    // distances both grow along the list.  Writes at most kMaxMatch
    // entries to out and returns their count.  Same rules as Find.
    int FindAll(size_t pos, Match *out);
    // Records a file position without searching from it.
    void Insert(size_t pos);

  private:
    uint32_t HashAt(size_t at) const;
    void Link(size_t at);

    std::vector<uint8_t> view_;   // the ring's spaces, then the file
    size_t prefix_;               // count of those spaces
    int maxChain_;
    std::vector<int32_t> head_;   // newest view position per hash
    std::vector<int32_t> prev_;   // older position with the same hash, by position mod ring size
    size_t linked_ = 0;           // view positions below this are linked
};

#endif
