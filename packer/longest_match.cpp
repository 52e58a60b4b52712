#include "packer/longest_match.h"

#include <divsufsort.h>

#include <algorithm>
#include <limits>

namespace voz {

const std::vector<EarlierMatch>& LongestMatchFinder::Find(const uint8_t* data, uint32_t size) {
    matches_.assign(size, EarlierMatch{});
    if (size < 2) {
        return matches_;
    }
    suffixes_.resize(size);
    divsufsort(data, suffixes_.data(), static_cast<saidx_t>(size));
    ComputeCommonPrefixes(data, size);
    NearestEarlierNeighbours<true>(size);
    NearestEarlierNeighbours<false>(size);
    return matches_;
}

void LongestMatchFinder::ComputeCommonPrefixes(const uint8_t* data, uint32_t size) {
    rank_.resize(size);
    commonPrefix_.assign(size + 1, 0);
    for (uint32_t r = 0; r < size; ++r) {
        rank_[suffixes_[r]] = r;
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
        auto j = static_cast<uint32_t>(suffixes_[r - 1]);
        while (i + shared < size && j + shared < size && data[i + shared] == data[j + shared]) {
            ++shared;
        }
        commonPrefix_[r] = shared;
        if (shared > 0) {
            --shared;
        }
    }
}

template <bool kForward>
void LongestMatchFinder::NearestEarlierNeighbours(uint32_t size) {
    constexpr uint32_t kUnbounded = std::numeric_limits<uint32_t>::max();
    stack_.clear();
    // Common prefix of the stack's top with the current suffix; the stack holds
    // the suffixes that are still the nearest earlier-starting ones for some rank.
    uint32_t sharedWithTop = kUnbounded;
    for (uint32_t step = 0; step < size; ++step) {
        uint32_t r = kForward ? step : size - 1 - step;
        auto position = static_cast<uint32_t>(suffixes_[r]);
        if (step > 0) {
            sharedWithTop = std::min(sharedWithTop, commonPrefix_[kForward ? r : r + 1]);
        }
        // A suffix that starts later than this one is never again the nearest
        // earlier-starting neighbour: this one is nearer and earlier.
        while (!stack_.empty() && stack_.back().position > position) {
            sharedWithTop = std::min(sharedWithTop, stack_.back().sharedWithBelow);
            stack_.pop_back();
        }
        uint32_t shared = stack_.empty() ? 0 : sharedWithTop;
        if (shared > matches_[position].length) {
            matches_[position] = {shared, stack_.back().position};
        }
        stack_.push_back({position, shared});
        sharedWithTop = kUnbounded;
    }
}

}  // namespace voz
