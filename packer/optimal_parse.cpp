#include "packer/optimal_parse.h"

#include <algorithm>
#include <bit>

#include "package/package_format.h"
#include "packer/block_cost.h"

namespace voz {

namespace {

// Keys order positions by cost, then by farther position first; a position
// fits in 17 bits (0 .. 65,536).
constexpr uint32_t kPositionBits = 17;
constexpr uint64_t kPositionMask = (uint64_t{1} << kPositionBits) - 1;

uint64_t Key(uint32_t cost, uint32_t position) {
    return (uint64_t{cost} << kPositionBits) | (kPositionMask - position);
}
uint32_t KeyCost(uint64_t key) { return static_cast<uint32_t>(key >> kPositionBits); }
uint32_t KeyPosition(uint64_t key) { return static_cast<uint32_t>(kPositionMask - (key & kPositionMask)); }

}  // namespace

void OptimalParser::SetCost(uint32_t position, uint32_t bits, uint32_t size) {
    cost_[position] = bits;
    uint64_t* level = rangeMin_.data();
    level[position] = Key(bits, position);
    for (uint32_t t = 1; t < levels_ && position + (1u << t) <= size + 1; ++t) {
        uint64_t* next = level + stride_;
        next[position] = std::min(level[position], level[position + (1u << (t - 1))]);
        level = next;
    }
}

uint64_t OptimalParser::CheapestIn(uint32_t first, uint32_t last) const {
    auto t = static_cast<uint32_t>(std::bit_width(last - first + 1) - 1);
    const uint64_t* level = rangeMin_.data() + size_t{t} * stride_;
    return std::min(level[first], level[last + 1 - (1u << t)]);
}

void OptimalParser::BuildCosts(const std::vector<EarlierMatch>& matches, uint32_t matchPenalty) {
    const uint32_t literal = kLiteralBits * kUnitsPerBit;
    auto matchCost = [&](uint32_t produced, uint32_t length) {
        return MatchBits(produced, length) * kUnitsPerBit + matchPenalty;
    };
    const auto size = static_cast<uint32_t>(matches.size());
    // A class of lengths 2^k + 1 .. 2^(k+1) spans at most 2^k positions, and
    // 2^k < the longest match, so level bit_width(longest - 1) - 1 is the highest queried.
    uint32_t longestAnywhere = 0;
    for (const EarlierMatch& m : matches) {
        longestAnywhere = std::max(longestAnywhere, m.length);
    }
    levels_ = longestAnywhere <= kShortestMatch ? 1 : static_cast<uint32_t>(std::bit_width(longestAnywhere - 1));
    stride_ = size + 1;
    cost_.resize(size + 1);
    step_.resize(size + 1);
    rangeMin_.resize(size_t{levels_} * stride_);
    SetCost(size, 0, size);
    for (uint32_t i = size; i-- > 0;) {
        uint32_t best = literal + cost_[i + 1];
        uint32_t bestStep = 1;
        uint32_t longest = matches[i].length;
        // The first byte of a block has nothing to refer to.
        if (i > 0 && longest >= kShortestMatch) {
            uint32_t lengthTwo = matchCost(i, kShortestMatch) + cost_[i + kShortestMatch];
            if (lengthTwo <= best) {
                best = lengthTwo;
                bestStep = kShortestMatch;
            }
            for (uint32_t k = 1; (1u << k) + 1 <= longest; ++k) {
                uint32_t shortest = (1u << k) + 1;
                // A whole class is one entry of level k; only the class of the
                // longest match may be cut short.
                uint64_t key = (2u << k) <= longest ? rangeMin_[size_t{k} * stride_ + i + shortest]
                                                    : CheapestIn(i + shortest, i + longest);
                uint32_t bits = matchCost(i, shortest) + KeyCost(key);
                uint32_t length = KeyPosition(key) - i;
                if (bits < best || (bits == best && length > bestStep)) {
                    best = bits;
                    bestStep = length;
                }
            }
        }
        step_[i] = bestStep;
        SetCost(i, best, size);
    }
}

uint64_t OptimalParser::CheapestBits(const std::vector<EarlierMatch>& matches) {
    BuildCosts(matches, 0);
    return cost_[0] / kUnitsPerBit;
}

uint64_t OptimalParser::Parse(const std::vector<EarlierMatch>& matches, std::vector<Token>& tokens,
                              uint32_t matchPenalty) {
    tokens.clear();
    BuildCosts(matches, matchPenalty);
    uint64_t bits = 0;
    for (uint32_t i = 0; i < matches.size(); i += step_[i]) {
        bool literal = step_[i] == 1;
        tokens.push_back({step_[i], literal ? 0 : matches[i].source});
        bits += literal ? kLiteralBits : MatchBits(i, step_[i]);
    }
    return bits;
}

}  // namespace voz
