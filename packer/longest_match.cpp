#include "packer/longest_match.h"

#include <algorithm>
#include <limits>

#include "packer/suffix_sort.h"

namespace voz {

namespace {

constexpr uint32_t kUnbounded = std::numeric_limits<uint32_t>::max();

}  // namespace

void LongestMatchFinder::Index(const uint8_t* window, uint32_t size) {
    m_found.clear();
    m_suffixes.resize(size);
    if (size > 0) {
        SortSuffixes(window, m_suffixes.data(), static_cast<int32_t>(size));
    }
    ComputeCommonPrefixes(window, size);
}

void LongestMatchFinder::ComputeCommonPrefixes(const uint8_t* window, uint32_t size) {
    m_rank.resize(size);
    m_index.resize(size);
    for (uint32_t r = 0; r < size; ++r) {
        m_rank[m_suffixes[r]] = r;
        m_index[r] = {static_cast<uint32_t>(m_suffixes[r]), 0};
    }
    // Kasai: the common prefix with the preceding suffix shrinks by at most one
    // from one text position to the next.
    uint32_t shared = 0;
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t r = m_rank[i];
        if (r == 0) {
            shared = 0;
            continue;
        }
        uint32_t j = m_index[r - 1].position;
        while (i + shared < size && j + shared < size && window[i + shared] == window[j + shared]) {
            ++shared;
        }
        m_index[r].sharedWithPrevious = shared;
        if (shared > 0) {
            --shared;
        }
    }
}

const std::vector<EarlierMatch>& LongestMatchFinder::Find(uint32_t begin, uint32_t end, uint32_t depth) {
    // A block of a depth with no enclosing block found is sorted out of the whole window.
    depth = std::min<uint32_t>(depth, static_cast<uint32_t>(m_found.size()));
    if (m_blocks.size() <= depth) {
        m_blocks.resize(depth + 1);
    }
    m_found.resize(depth + 1);
    if (begin == 0 && end == m_index.size()) {
        m_found[depth] = &m_index;
    } else {
        const std::vector<Sorted>& enclosing = depth == 0 ? m_index : *m_found[depth - 1];
        std::vector<Sorted>& block = m_blocks[depth];
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
        m_found[depth] = &block;
    }
    m_matches.assign(end - begin, EarlierMatch{});
    NearestEarlierNeighbours(*m_found[depth], begin, end);
    return m_matches;
}

void LongestMatchFinder::NearestEarlierNeighbours(const std::vector<Sorted>& block, uint32_t begin, uint32_t end) {
    // A match ends with its block.
    auto offer = [&](uint32_t position, uint32_t length, uint32_t source) {
        EarlierMatch& match = m_matches[position - begin];
        length = std::min(length, end - position);
        if (length > match.length) {
            match = {length, source - begin};
        }
    };
    // The stack holds, in sorted order, the suffixes not yet followed by one
    // that starts earlier. sharedWithTop is the common prefix of the stack's
    // top with the current suffix.
    m_stack.clear();
    uint32_t sharedWithTop = kUnbounded;
    for (size_t r = 0; r < block.size(); ++r) {
        uint32_t position = block[r].position;
        sharedWithTop = std::min(sharedWithTop, block[r].sharedWithPrevious);
        // The current suffix is the nearest earlier-starting one after each
        // suffix it pops; a popped suffix is never again the nearest for a
        // later rank, since the current one is nearer and starts earlier.
        while (!m_stack.empty() && m_stack.back().position > position) {
            offer(m_stack.back().position, sharedWithTop, position);
            sharedWithTop = std::min(sharedWithTop, m_stack.back().sharedWithBelow);
            m_stack.pop_back();
        }
        // The top, if any, is the nearest earlier-starting suffix before it.
        uint32_t shared = 0;
        if (!m_stack.empty()) {
            shared = sharedWithTop;
            offer(position, shared, m_stack.back().position);
        }
        m_stack.push_back({position, shared});
        sharedWithTop = kUnbounded;
    }
}

}  // namespace voz
