// Exact longest earlier match at every position of a block, from its suffix array.
#pragma once

#include <cstdint>
#include <vector>

namespace voz {

struct EarlierMatch {
    uint32_t length = 0;  // 0 when no earlier position shares even one byte
    uint32_t source = 0;  // an earlier position where `length` bytes repeat
};

// For every position i of data[0, size), finds the longest prefix of data[i, size)
// that also starts at some earlier position (the copy may overlap i, as the
// decoder's byte-by-byte copy allows). Offsets are absolute, so every earlier
// position costs the same and only the length matters.
//
// Suffix array, LCP array (Kasai) and two stack passes: the suffixes nearest to
// i in sorted order among those that start before i share the longest prefix
// with it. Linear after the suffix sort, whatever the data: a run of one byte or
// a short period costs no more than text, unlike a search tree or hash chain of
// earlier positions, which must cut its search to stay fast and then misses matches.
class LongestMatchFinder {
public:
    // The result stays valid until the next call.
    const std::vector<EarlierMatch>& Find(const uint8_t* data, uint32_t size);

private:
    struct Pending {
        uint32_t position;
        uint32_t sharedWithBelow;  // common prefix with the entry under it on the stack
    };
    void ComputeCommonPrefixes(const uint8_t* data, uint32_t size);
    // One pass over the sorted suffixes, forward or backward, keeping the best
    // earlier neighbour met on that side.
    template <bool kForward>
    void NearestEarlierNeighbours(uint32_t size);

    std::vector<int32_t> suffixes_;
    std::vector<uint32_t> rank_;
    std::vector<uint32_t> commonPrefix_;  // [r]: shared by the suffixes at ranks r - 1 and r
    std::vector<Pending> stack_;
    std::vector<EarlierMatch> matches_;
};

}  // namespace voz
