// Exact longest earlier match at every position of a block, from a suffix array.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace voz {

struct EarlierMatch {
    uint32_t length = 0;  // 0 when no earlier position shares even one byte
    uint32_t source = 0;  // an earlier position where `length` bytes repeat
};

// For every position i of a block, finds the longest prefix of the block's
// bytes from i that also starts at some earlier position of the block (the
// copy may overlap i, as the decoder's byte-by-byte copy allows). Offsets are
// absolute, so every earlier position costs the same and only the length matters.
//
// Suffix array, LCP array (Kasai) and two stack passes: among the suffixes that
// start before i, those nearest to i in sorted order share the longest prefix
// with it. Linear after the suffix sort, whatever the data: a run of one byte
// or a short period costs no more than text, unlike a search tree or hash
// chains of earlier positions, which must cut their search to stay fast and
// then miss matches.
//
// One sorted window serves every block inside it: the suffixes that start in
// the block keep their order, and the common prefix of two of them is the
// least over the sorted suffixes between them.
class LongestMatchFinder {
public:
    // Sorts the suffixes of a window of at most 65,536 bytes.
    void Index(const uint8_t* window, uint32_t size);

    // The longest earlier matches of the block [begin, end) of the indexed
    // window, indexed and with sources counted from begin. Valid until the next call.
    // Blocks nested in one another are found faster inside out: a block at
    // `depth` d > 0 must lie inside the last block found at depth d - 1, and
    // only that block's suffixes are sorted through.
    const std::vector<EarlierMatch>& Find(uint32_t begin, uint32_t end, uint32_t depth = 0);

private:
    struct Sorted {
        uint32_t position;
        uint32_t sharedWithPrevious;  // common prefix with the previous suffix in sorted order
    };
    struct Pending {
        uint32_t position;
        uint32_t sharedWithBelow;  // common prefix with the entry under it on the stack
    };
    void ComputeCommonPrefixes(const uint8_t* window, uint32_t size);
    // One pass over the block's sorted suffixes that finds, for each, the
    // nearest earlier-starting suffix on either side and keeps the longer match.
    // A match is cut where the block ends.
    void NearestEarlierNeighbours(const std::vector<Sorted>& block, uint32_t begin, uint32_t end);

    std::vector<int32_t> m_suffixes;
    std::vector<uint32_t> m_rank;
    std::vector<Sorted> m_index;  // the window's suffixes in sorted order
    // [depth]: room for a block's suffixes in sorted order (a deque: growing keeps m_found valid)
    std::deque<std::vector<Sorted>> m_blocks;
    // [depth]: the last block found at that depth, its suffixes in sorted order
    // (m_index itself for the whole window).
    std::vector<const std::vector<Sorted>*> m_found;
    std::vector<Pending> m_stack;
    std::vector<EarlierMatch> m_matches;
};

}  // namespace voz
