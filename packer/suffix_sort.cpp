#include "packer/suffix_sort.h"

#include <algorithm>
#include <vector>

namespace voz {

namespace {

// SA-IS over symbols in [0, alphabet), with a virtual end symbol smaller than
// all of them. Each level sorts the leftmost-S-type (LMS) substrings by two
// induction passes, names them, sorts the string of names (recursively when
// names repeat) and induces the whole order from the sorted LMS suffixes.
template <typename Symbol>
class InducedSort {
public:
    InducedSort(const Symbol* text, int32_t* suffixes, int32_t size, int32_t alphabet)
        : m_text(text), m_suffixes(suffixes), m_size(size), m_counts(alphabet, 0), m_bucket(alphabet) {}

    void Run() {
        ClassifySuffixes();
        for (int32_t i = 0; i < m_size; ++i) {
            ++m_counts[m_text[i]];
        }
        // Sort the LMS substrings: any order of the LMS positions in their buckets will do.
        std::fill(m_suffixes, m_suffixes + m_size, -1);
        BucketEnds();
        for (int32_t i = m_size - 1; i >= 1; --i) {
            if (IsLms(i)) {
                m_suffixes[--m_bucket[m_text[i]]] = i;
            }
        }
        Induce();
        std::vector<int32_t> sortedLms = SortLmsSuffixes(NameLmsSubstrings());
        // Place the sorted LMS suffixes at their buckets' ends, keeping their order, and induce the rest.
        std::fill(m_suffixes, m_suffixes + m_size, -1);
        BucketEnds();
        for (auto p = sortedLms.rbegin(); p != sortedLms.rend(); ++p) {
            m_suffixes[--m_bucket[m_text[*p]]] = *p;
        }
        Induce();
    }

private:
    // A suffix is S-type when it sorts before the next one; the last is L-type
    // because the end symbol is the smallest.
    void ClassifySuffixes() {
        m_smaller.assign(m_size, 0);
        for (int32_t i = m_size - 2; i >= 0; --i) {
            m_smaller[i] = m_text[i] < m_text[i + 1] || (m_text[i] == m_text[i + 1] && m_smaller[i + 1]);
        }
    }

    bool IsLms(int32_t i) const { return i > 0 && m_smaller[i] && !m_smaller[i - 1]; }

    void BucketStarts() {
        int32_t sum = 0;
        for (size_t c = 0; c < m_counts.size(); ++c) {
            m_bucket[c] = sum;
            sum += m_counts[c];
        }
    }

    void BucketEnds() {
        int32_t sum = 0;
        for (size_t c = 0; c < m_counts.size(); ++c) {
            sum += m_counts[c];
            m_bucket[c] = sum;
        }
    }

    // From LMS suffixes at their buckets' ends: L-type suffixes left to right
    // (the end symbol's suffix induces the last position first), then S-type
    // suffixes right to left.
    void Induce() {
        BucketStarts();
        m_suffixes[m_bucket[m_text[m_size - 1]]++] = m_size - 1;
        for (int32_t r = 0; r < m_size; ++r) {
            int32_t before = m_suffixes[r] - 1;
            if (before >= 0 && !m_smaller[before]) {
                m_suffixes[m_bucket[m_text[before]]++] = before;
            }
        }
        BucketEnds();
        for (int32_t r = m_size - 1; r >= 0; --r) {
            int32_t before = m_suffixes[r] - 1;
            if (before >= 0 && m_smaller[before]) {
                m_suffixes[--m_bucket[m_text[before]]] = before;
            }
        }
    }

    // Two LMS substrings (from one LMS position to the next, inclusive) are
    // equal when their symbols and types agree all the way; one that runs
    // into the end symbol equals no other.
    bool SameLmsSubstring(int32_t a, int32_t b) const {
        for (int32_t d = 0;; ++d) {
            if (a + d == m_size || b + d == m_size || m_text[a + d] != m_text[b + d] ||
                m_smaller[a + d] != m_smaller[b + d]) {
                return false;
            }
            if (d > 0 && (IsLms(a + d) || IsLms(b + d))) {
                return IsLms(a + d) && IsLms(b + d);
            }
        }
    }

    // Names the sorted LMS substrings by rank; returns the names in text
    // order and the number of distinct names.
    std::pair<std::vector<int32_t>, int32_t> NameLmsSubstrings() {
        std::vector<int32_t> sorted;
        for (int32_t r = 0; r < m_size; ++r) {
            if (IsLms(m_suffixes[r])) {
                sorted.push_back(m_suffixes[r]);
            }
        }
        // LMS positions are at least two apart, so position / 2 keeps them apart and in order.
        std::vector<int32_t> nameAt(m_size / 2 + 1, -1);
        int32_t names = 0;
        for (size_t k = 0; k < sorted.size(); ++k) {
            if (k == 0 || !SameLmsSubstring(sorted[k - 1], sorted[k])) {
                ++names;
            }
            nameAt[sorted[k] / 2] = names - 1;
        }
        std::vector<int32_t> reduced;
        reduced.reserve(sorted.size());
        for (int32_t name : nameAt) {
            if (name >= 0) {
                reduced.push_back(name);
            }
        }
        return {std::move(reduced), names};
    }

    // The LMS positions in the order of their suffixes.
    std::vector<int32_t> SortLmsSuffixes(const std::pair<std::vector<int32_t>, int32_t>& named) {
        const std::vector<int32_t>& reduced = named.first;
        const auto count = static_cast<int32_t>(reduced.size());
        std::vector<int32_t> order(count);
        if (named.second < count) {
            InducedSort<int32_t>(reduced.data(), order.data(), count, named.second).Run();
        } else {
            for (int32_t i = 0; i < count; ++i) {
                order[reduced[i]] = i;
            }
        }
        std::vector<int32_t> lms;
        lms.reserve(count);
        for (int32_t i = 1; i < m_size; ++i) {
            if (IsLms(i)) {
                lms.push_back(i);
            }
        }
        for (int32_t& rank : order) {
            rank = lms[rank];
        }
        return order;
    }

    const Symbol* m_text;
    int32_t* m_suffixes;
    int32_t m_size;
    std::vector<uint8_t> m_smaller;  // [i]: suffix i is S-type (bytes, not bits: read at every step of the induction)
    std::vector<int32_t> m_counts;
    std::vector<int32_t> m_bucket;
};

}  // namespace

void SortSuffixes(const uint8_t* text, int32_t* suffixes, int32_t size) {
    if (size <= 0) {
        return;
    }
    if (size == 1) {
        suffixes[0] = 0;
        return;
    }
    InducedSort<uint8_t>(text, suffixes, size, 256).Run();
}

}  // namespace voz
