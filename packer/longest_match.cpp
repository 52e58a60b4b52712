#include "packer/longest_match.h"

#include <algorithm>
#include <limits>

#include "packer/suffix_sort.h"

namespace voz {

namespace {

constexpr uint32_t kUnbounded = std::numeric_limits<uint32_t>::max();

}  // namespace

void LongestMatchFinder::Index(const uint8_t* window, uint32_t size) {
    found_.clear();
    suffixes_.resize(size);
    if (size > 0) {
        SortSuffixes(window, suffixes_.data(), static_cast<int32_t>(size));
    }
    ComputeCommonPrefixes(window, size);
}

void LongestMatchFinder::ComputeCommonPrefixes(const uint8_t* window, uint32_t size) {
    rank_.resize(size);
    index_.resize(size);
    for (uint32_t r = 0; r < size; ++r) {
        rank_[suffixes_[r]] = r;
        index_[r] = {static_cast<uint32_t>(suffixes_[r]), 0};
    }
    // Kasai: the common prefix with the preceding suffix shrinks by at most one
    // from one text position to the next.
    uint32_t shared = 0;
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t r = rank_[i];
        if (r == 0) {
            shared = 0;
            continue;
        }
        uint32_t j = index_[r - 1].position;
        while (i + shared < size && j + shared < size && window[i + shared] == window[j + shared]) {
            ++shared;
        }
        index_[r].sharedWithPrevious = shared;
        if (shared > 0) {
            --shared;
        }
    }
}

const std::vector<EarlierMatch>& LongestMatchFinder::Find(uint32_t begin, uint32_t end, uint32_t depth) {
    // A block of a depth with no enclosing block found is sorted out of the whole window.
    depth = std::min<uint32_t>(depth, static_cast<uint32_t>(found_.size()));
    if (blocks_.size() <= depth) {
        blocks_.resize(depth + 1);
    }
    found_.resize(depth + 1);
    if (begin == 0 && end == index_.size()) {
        found_[depth] = &index_;
    } else {
        const std::vector<Sorted>& enclosing = depth == 0 ? index_ : *found_[depth - 1];
        std::vector<Sorted>& block = blocks_[depth];
        block.clear();
        // The common prefix of two kept suffixes is the least over the ones between them.
        uint32_t shared = kUnbounded;
        for (const Sorted& s : enclosing) {
            shared = std::min(shared, s.sharedWithPrevious);
            if (s.position - begin < end - begin) {
                block.push_back({s.position, block.empty() ? 0 : shared});
                shared = kUnbounded;
            }
        }
        found_[depth] = &block;
    }
    matches_.assign(end - begin, EarlierMatch{});
    NearestEarlierNeighbours(*found_[depth], begin, end);
    return matches_;
}

void LongestMatchFinder::NearestEarlierNeighbours(const std::vector<Sorted>& block, uint32_t begin, uint32_t end) {
    // A match ends with its block.
    auto offer = [&](uint32_t position, uint32_t length, uint32_t source) {
        EarlierMatch& match = matches_[position - begin];
        length = std::min(length, end - position);
        if (length > match.length) {
            match = {length, source - begin};
        }
    };
    // The stack holds, in sorted order, the suffixes not yet followed by one
    // that starts earlier. sharedWithTop is the common prefix of the stack's
    // top with the current suffix.
    stack_.clear();
    uint32_t sharedWithTop = kUnbounded;
    for (size_t r = 0; r < block.size(); ++r) {
        uint32_t position = block[r].position;
        sharedWithTop = std::min(sharedWithTop, block[r].sharedWithPrevious);
        // The current suffix is the nearest earlier-starting one after each
        // suffix it pops; a popped suffix is never again the nearest for a
        // later rank, since the current one is nearer and starts earlier.
        while (!stack_.empty() && stack_.back().position > position) {
            offer(stack_.back().position, sharedWithTop, position);
            sharedWithTop = std::min(sharedWithTop, stack_.back().sharedWithBelow);
            stack_.pop_back();
        }
        // The top, if any, is the nearest earlier-starting suffix before it.
        uint32_t shared = 0;
        if (!stack_.empty()) {
            shared = sharedWithTop;
            offer(position, shared, stack_.back().position);
        }
        stack_.push_back({position, shared});
        sharedWithTop = kUnbounded;
    }
}

}  // namespace voz
