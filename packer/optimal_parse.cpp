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
    for (uint32_t j = end; j > 0; j -= m_step[j]) {
        tokens.push_back({m_step[j], m_step[j] == 1 ? 0 : m_source[j]});
    }
    std::reverse(tokens.begin(), tokens.end());
}

void OptimalParser::MonotoneWindow::Reset(uint32_t capacity) {
    if (m_keys.size() < capacity) {
        m_keys.resize(capacity);
    }
    m_mask = capacity - 1;
    m_head = 0;
    m_tail = 0;
}

void OptimalParser::Parse(const std::vector<EarlierMatch>& matches, ParsedPrefixes& parsed, uint32_t matchPenalty) {
    const auto size = static_cast<uint32_t>(matches.size());
    m_price.resize(size + 1);
    m_entry.resize(size + 1);
    parsed.m_bits.resize(size + 1);
    parsed.m_step.resize(size + 1);
    parsed.m_source.resize(size + 1);
    // Class k holds the starts of matches of 2^k + 1 .. 2^(k+1) bytes that end
    // at j: a window of 2^k positions. No match is longer than the block less its first byte.
    uint32_t classes = size <= 3 ? 1 : static_cast<uint32_t>(std::bit_width(size - 2));
    if (m_windows.size() < classes) {
        m_windows.resize(classes);
    }
    for (uint32_t k = kFirstQueuedClass; k < classes; ++k) {
        m_windows[k].Reset(1u << k);
    }
    const EarlierMatch* match = matches.data();
    uint32_t* price = m_price.data();
    uint32_t* entry = m_entry.data();
    price[0] = 0;
    parsed.m_bits[0] = 0;
    // Every position from `reaching` up to j - 2 has a match that reaches j:
    // the first byte has nothing to refer to, and the reach i + length never
    // falls as i grows.
    uint32_t reaching = 1;
    for (uint32_t j = 1; j <= size; ++j) {
        while (reaching < j && reaching + match[reaching].length < j) {
            ++reaching;
        }
        // Steps are tried from the shortest up, so that a longer one wins a tie.
        uint32_t best = price[j - 1] + kLiteralUnits;
        uint32_t from = j - 1;
        uint32_t longestStep = j - reaching;
        // The short classes one start at a time.
        for (uint32_t step = 2; step <= std::min(longestStep, kLongestUnqueuedStep); ++step) {
            uint32_t cost = entry[j - step] + 2 * LengthPrefix(step) * kUnitsPerBit;
            if (cost <= best) {
                best = cost;
                from = j - step;
            }
        }
        for (uint32_t k = kFirstQueuedClass; k < classes && longestStep >= (1u << k) + 1; ++k) {
            MonotoneWindow& window = m_windows[k];
            uint32_t longest = 2u << k;
            window.DropBefore(std::max(reaching, j > longest ? j - longest : 0));
            uint32_t start = j - (1u << k) - 1;
            window.Push(start, entry[start]);
            uint32_t cost = window.FrontPrice() + 2 * k * kUnitsPerBit;
            if (cost <= best) {
                best = cost;
                from = window.FrontPosition();
            }
        }
        uint32_t step = j - from;
        price[j] = best;
        // The flag, the length code's zero and the offset, penalty included; a
        // class k adds 2k bits of prefix ones and value.
        entry[j] = best + (2 + OffsetBits(j)) * kUnitsPerBit + matchPenalty;
        parsed.m_step[j] = step;
        if (step == 1) {
            parsed.m_bits[j] = parsed.m_bits[from] + kLiteralBits;
        } else {
            parsed.m_bits[j] = parsed.m_bits[from] + MatchBits(from, step);
            parsed.m_source[j] = match[from].source;
        }
    }
}

}  // namespace voz
