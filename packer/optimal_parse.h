// The cheapest token sequence for one block under the format's bit costs.
#pragma once

#include <cstdint>
#include <vector>

#include "packer/longest_match.h"

namespace voz {

struct Token {
    uint32_t length;  // 1: a literal; 2 or more: a match
    uint32_t source;  // a match's absolute offset in the block
};

// Exact shortest path over the block's positions: cost[i] is the fewest bits
// that encode data[i, size) once i bytes have been produced. From i, a literal
// leads to i + 1 and a match may take any length from 2 up to the longest
// earlier match at i. The match's cost depends on its length only through the
// prefix of the length code, so the lengths group into classes 2, 3-4, 5-8, ...
// of equal cost, and the best end within a class is a range minimum over the
// costs already known to the right (a sparse table, filled as the parse moves left).
// Among equally cheap choices the longer step wins, which means fewer tokens.
class OptimalParser {
public:
    // For a block whose longest earlier match at each position is given (its
    // size is matches.size()), fills tokens and returns the bits they take,
    // without the padding of the last byte.
    // A match penalty (in eighths of a bit) makes each match dearer by that
    // much in the choice, trading a few bits for fewer, longer tokens.
    uint64_t Parse(const std::vector<EarlierMatch>& matches, std::vector<Token>& tokens, uint32_t matchPenalty = 0);
    // The same bit count without the tokens.
    uint64_t CheapestBits(const std::vector<EarlierMatch>& matches);

private:
    // Costs in eighths of a bit.
    static constexpr uint32_t kUnitsPerBit = 8;
    void BuildCosts(const std::vector<EarlierMatch>& matches, uint32_t matchPenalty);
    void SetCost(uint32_t position, uint32_t bits, uint32_t size);
    // The cheapest cost[j] for first <= j <= last, as a packed key.
    uint64_t CheapestIn(uint32_t first, uint32_t last) const;

    std::vector<uint32_t> cost_;
    std::vector<uint32_t> step_;  // length of the token chosen at each position
    // rangeMin_[level * stride_ + j]: the least key over positions j .. j + 2^level - 1.
    std::vector<uint64_t> rangeMin_;
    uint32_t stride_ = 0;
    uint32_t levels_ = 0;
};

}  // namespace voz
