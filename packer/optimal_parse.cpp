#include "packer/optimal_parse.h"

#include <algorithm>
#include <bit>

#include "packer/block_cost.h"

namespace voz {

namespace {

// Costs are compared in eighths of a bit.
constexpr uint32_t kUnitsPerBit = 8;
constexpr uint32_t kLiteralUnits = kLiteralBits * kUnitsPerBit;

}  // namespace

void ParsedPrefixes::Tokens(uint32_t end, std::vector<Token>& tokens) const {
    tokens.clear();
    for (uint32_t j = end; j > 0; j -= step_[j]) {
        tokens.push_back({step_[j], step_[j] == 1 ? 0 : source_[j]});
    }
    std::reverse(tokens.begin(), tokens.end());
}

void OptimalParser::MonotoneWindow::Reset(uint32_t capacity) {
    if (positions_.size() < capacity) {
        positions_.resize(capacity);
        prices_.resize(capacity);
    }
    mask_ = capacity - 1;
    head_ = 0;
    tail_ = 0;
}

void OptimalParser::MonotoneWindow::DropBefore(uint32_t first) {
    while (head_ != tail_ && positions_[head_ & mask_] < first) {
        ++head_;
    }
}

void OptimalParser::MonotoneWindow::Push(uint32_t position, uint32_t price) {
    // An earlier start at an equal price stays: it gives the longer match.
    while (head_ != tail_ && prices_[(tail_ - 1) & mask_] > price) {
        --tail_;
    }
    positions_[tail_ & mask_] = position;
    prices_[tail_ & mask_] = price;
    ++tail_;
}

void OptimalParser::Parse(const std::vector<EarlierMatch>& matches, ParsedPrefixes& parsed, uint32_t matchPenalty) {
    const auto size = static_cast<uint32_t>(matches.size());
    price_.resize(size + 1);
    parsed.bits_.resize(size + 1);
    parsed.step_.resize(size + 1);
    parsed.source_.resize(size + 1);
    price_[0] = 0;
    parsed.bits_[0] = 0;
    // Class k holds the starts of matches of 2^k + 1 .. 2^(k+1) bytes that end
    // at j: a window of 2^k positions. No match is longer than the block less its first byte.
    uint32_t classes = size <= 3 ? 1 : static_cast<uint32_t>(std::bit_width(size - 2));
    if (windows_.size() < classes) {
        windows_.resize(classes);
    }
    for (uint32_t k = 1; k < classes; ++k) {
        windows_[k].Reset(1u << k);
    }
    // The flag, the length code's zero and the offset, penalty included; a
    // class k adds 2k bits of prefix ones and value.
    auto matchBase = [&](uint32_t start) {
        return (2 + OffsetBits(start)) * kUnitsPerBit + matchPenalty + price_[start];
    };
    // Every position from `reaching` up to j - 2 has a match that reaches j:
    // the first byte has nothing to refer to, and the reach i + length never
    // falls as i grows.
    uint32_t reaching = 1;
    for (uint32_t j = 1; j <= size; ++j) {
        while (reaching < j && reaching + matches[reaching].length < j) {
            ++reaching;
        }
        uint32_t best = price_[j - 1] + kLiteralUnits;
        uint32_t from = j - 1;
        if (j >= reaching + 2) {
            uint32_t lengthTwo = matchBase(j - 2);
            if (lengthTwo <= best) {
                best = lengthTwo;
                from = j - 2;
            }
        }
        for (uint32_t k = 1; k < classes && j >= reaching + (1u << k) + 1; ++k) {
            MonotoneWindow& window = windows_[k];
            uint32_t longest = 2u << k;
            window.DropBefore(std::max(reaching, j > longest ? j - longest : 0));
            uint32_t start = j - (1u << k) - 1;
            window.Push(start, matchBase(start));
            uint32_t cost = window.FrontPrice() + 2 * k * kUnitsPerBit;
            if (cost <= best) {
                best = cost;
                from = window.FrontPosition();
            }
        }
        uint32_t step = j - from;
        price_[j] = best;
        parsed.step_[j] = step;
        if (step == 1) {
            parsed.bits_[j] = parsed.bits_[from] + kLiteralBits;
        } else {
            parsed.bits_[j] = parsed.bits_[from] + MatchBits(from, step);
            parsed.source_[j] = matches[from].source;
        }
    }
}

}  // namespace voz
