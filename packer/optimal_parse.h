// The cheapest token sequences for a block and every prefix of it under the
// format's bit costs.
#pragma once

#include <cstdint>
#include <vector>

#include "packer/longest_match.h"

namespace voz {

struct Token {
    uint32_t length;  // 1: a literal; 2 or more: a match
    uint32_t source;  // a match's absolute offset in the block
};

// The cheapest parse of every prefix [0, j) of one block, as found by
// OptimalParser. Offsets are counted from the block's start, so a prefix's
// parse is also the cheapest parse of that prefix standing as a block of its own.
class ParsedPrefixes {
public:
    // Bits the tokens of the prefix [0, end) take, without the padding of the last byte.
    uint64_t Bits(uint32_t end) const { return m_bits[end]; }
    // Those tokens, in order.
    void Tokens(uint32_t end, std::vector<Token>& tokens) const;

private:
    friend class OptimalParser;
    std::vector<uint32_t> m_bits;    // [j]: bits of the chosen tokens of [0, j)
    std::vector<uint32_t> m_step;    // [j]: length of the last token of [0, j)
    std::vector<uint32_t> m_source;  // [j]: that token's offset when it is a match
};

// Exact shortest path over the block's positions, left to right: price[j] is
// the fewest bits that encode data[0, j). A literal leads from j - 1 to j; a
// match from i to j needs the longest earlier match at i to reach j. A match's
// cost depends on its length only through the prefix of the length code, so
// the lengths group into classes 2, 3-4, 5-8, ... of equal cost, and the best
// start of a match of class k ending at j is the cheapest price over a window
// of start positions. Because the longest match at i + 1 is at least the one
// at i less one byte, the positions whose match reaches j form a suffix of the
// positions, so each class's window only slides right and a monotone queue
// gives its minimum. A class whose window holds no position with a long
// enough match is skipped, so a position costs work in proportion to the
// number of length classes its covering matches span, not to the longest
// match of the block.
// Among equally cheap choices the longer step wins, which means fewer tokens.
class OptimalParser {
public:
    // For a block whose longest earlier match at each position is given (its
    // size is matches.size()), fills parsed with the cheapest parse of each prefix.
    // A match penalty (in eighths of a bit) makes each match dearer by that
    // much in the choice, trading a few bits for fewer, longer tokens; the bits
    // reported are the real ones.
    void Parse(const std::vector<EarlierMatch>& matches, ParsedPrefixes& parsed, uint32_t matchPenalty = 0);

private:
    // Start positions of the matches of one length class, with their prices
    // rising from front to back, in a ring of a power-of-two capacity. A key
    // is a price above a position.
    class MonotoneWindow {
    public:
        void Reset(uint32_t capacity);
        // Drops the front entries that start before position first.
        void DropBefore(uint32_t first) {
            while (m_head != m_tail && static_cast<uint32_t>(m_keys[m_head & m_mask]) < first) {
                ++m_head;
            }
        }
        // Adds a start after every held one, dropping those dearer than it; an
        // earlier start at an equal price stays, since it gives the longer match.
        void Push(uint32_t position, uint32_t price) {
            uint64_t key = (uint64_t{price} << 32) | position;
            while (m_head != m_tail && m_keys[(m_tail - 1) & m_mask] > key) {
                --m_tail;
            }
            m_keys[m_tail++ & m_mask] = key;
        }
        uint32_t FrontPosition() const { return static_cast<uint32_t>(m_keys[m_head & m_mask]); }
        uint32_t FrontPrice() const { return static_cast<uint32_t>(m_keys[m_head & m_mask] >> 32); }

    private:
        std::vector<uint64_t> m_keys;
        uint32_t m_mask = 0;
        uint32_t m_head = 0;
        uint32_t m_tail = 0;
    };

    // Matches of up to 8 bytes (classes 0 to 2) are tried one start at a time;
    // longer classes go through their windows.
    static constexpr uint32_t kLongestUnqueuedStep = 8;
    static constexpr uint32_t kFirstQueuedClass = 3;

    // In eighths of a bit, penalties included: [j] the fewest for data[0, j),
    // m_entry[j] that plus what any match starting at j costs besides its length code.
    std::vector<uint32_t> m_price;
    std::vector<uint32_t> m_entry;
    std::vector<MonotoneWindow> m_windows;  // [k]: class of lengths 2^k + 1 .. 2^(k+1)
};

}  // namespace voz
