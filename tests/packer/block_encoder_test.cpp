#include "packer/block_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "package/block_decoder.h"
#include "package/package_format.h"
#include "packer/longest_match.h"
#include "packer/optimal_parse.h"
#include "packer/suffix_sort.h"
#include "test_support.h"

namespace voz {
namespace {

const EncoderOptions kFast{EncoderLevel::kFast};
const EncoderOptions kBest{EncoderLevel::kBest};
// The exact cheapest parse: whole 65,536-byte blocks, or cut into halves where that stores less.
const EncoderOptions kExact{.level = EncoderLevel::kBest, .smallestSplit = 0, .matchPenalty = 0};
const EncoderOptions kExactCut{.level = EncoderLevel::kBest, .matchPenalty = 0};

std::vector<uint8_t> Decode(const std::vector<uint8_t>& seq, size_t size) {
    CBlockDecoder decoder;
    std::vector<uint8_t> dest(size + 1);
    DecodeResult r = decoder.DecodeSequence(dest.data(), static_cast<uint32_t>(size + 1), seq.data(),
                                            static_cast<uint32_t>(seq.size()));
    EXPECT_TRUE(r.ok()) << DescribeDecodeError(r.error);
    dest.resize(r.produced);
    return dest;
}

std::vector<uint8_t> Periodic(size_t size, const std::string& period) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) {
        out[i] = static_cast<uint8_t>(period[i % period.size()]);
    }
    return out;
}

// Random bytes over a small alphabet: many short and overlapping repeats.
std::vector<uint8_t> SmallAlphabet(size_t size, uint32_t letters, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) {
        b = static_cast<uint8_t>('a' + rng() % letters);
    }
    return out;
}

// Random bytes of which the first `prefix` are copied once more, so that the
// copy is a match made when exactly `prefix` bytes have been produced.
std::vector<uint8_t> RepeatAfter(uint32_t prefix, uint32_t seed) {
    std::vector<uint8_t> out = test::RandomBytes(prefix, seed);
    uint32_t copy = std::min<uint32_t>(prefix, 40);
    out.insert(out.end(), out.begin(), out.begin() + copy);
    return out;
}

// Bits of a match of `length` bytes made after `produced` bytes: the flag,
// the length code (1 bit for 2, else 2k + 1 bits for 2^k < length <= 2^(k+1))
// and as many offset bits as it takes to count to `produced`.
uint64_t MatchBits(size_t length, size_t produced) {
    uint32_t k = 0;
    while ((size_t{1} << (k + 1)) < length) {
        ++k;
    }
    uint32_t offsetWidth = 0;
    while ((size_t{1} << offsetWidth) < produced) {
        ++offsetWidth;
    }
    return 1 + (length == 2 ? 1 : 2 * k + 1) + offsetWidth;
}

// Bits of the cheapest parse, by trying every length at every position over
// matches found by comparing with every earlier position.
uint64_t BruteForceCheapestBits(const std::vector<uint8_t>& data) {
    const size_t n = data.size();
    std::vector<uint64_t> cost(n + 1, UINT64_MAX);
    cost[0] = 0;
    for (size_t i = 0; i < n; ++i) {
        cost[i + 1] = std::min(cost[i + 1], cost[i] + 9);
        for (size_t from = 0; from < i; ++from) {
            size_t length = 0;
            while (i + length < n && data[from + length] == data[i + length]) {
                ++length;
                if (length >= 2) {
                    cost[i + length] = std::min(cost[i + length], cost[i] + MatchBits(length, i));
                }
            }
        }
    }
    return cost[n];
}

// What a parse's tokens cost (9 bits a literal) and how many bytes they cover.
struct TokenCost {
    uint64_t bits = 0;
    uint32_t covered = 0;
};
TokenCost CostOf(const std::vector<Token>& tokens) {
    TokenCost cost;
    for (const Token& t : tokens) {
        cost.bits += t.length == 1 ? 9 : MatchBits(t.length, cost.covered);
        cost.covered += t.length;
    }
    return cost;
}

// The cheapest parse of data as one block, and of each of its prefixes as a
// block of its own; valid until the next call.
const ParsedPrefixes& ParseWhole(const std::vector<uint8_t>& data) {
    static LongestMatchFinder finder;
    static OptimalParser parser;
    static ParsedPrefixes parsed;
    const auto n = static_cast<uint32_t>(data.size());
    finder.Index(data.data(), n);
    parser.Parse(finder.Find(0, n), parsed);
    return parsed;
}

std::vector<std::vector<uint8_t>> SmallAdversarialInputs() {
    std::vector<std::vector<uint8_t>> inputs = {{}, {7}, {7, 7}, {7, 8, 7, 8, 7}, std::vector<uint8_t>(300, 0)};
    for (const char* period : {"ab", "abc", "abcd", "aab"}) {
        inputs.push_back(Periodic(257, period));
    }
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        inputs.push_back(SmallAlphabet(50 + seed * 23, 1 + seed % 4, seed));
        inputs.push_back(test::CompressibleBytes(100 + seed * 17, seed));
    }
    inputs.push_back(test::RandomBytes(200, 9));
    return inputs;
}

// Checks the finder's answer for block [begin, end) of window against comparing
// every position with every earlier one.
void ExpectLongestEarlierMatches(const std::vector<uint8_t>& window, uint32_t begin, uint32_t end,
                                 const std::vector<EarlierMatch>& found) {
    ASSERT_EQ(found.size(), end - begin);
    const uint8_t* block = window.data() + begin;
    const uint32_t n = end - begin;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t longest = 0;
        for (uint32_t from = 0; from < i; ++from) {
            uint32_t length = 0;
            while (i + length < n && block[from + length] == block[i + length]) {
                ++length;
            }
            longest = std::max(longest, length);
        }
        ASSERT_EQ(found[i].length, longest) << "position " << i << " of [" << begin << ", " << end << ")";
        if (longest > 0) {
            ASSERT_LT(found[i].source, i);
            ASSERT_TRUE(std::equal(block + i, block + i + longest, block + found[i].source));
        }
    }
}

TEST(SortSuffixes, AgreesWithComparingEverySuffix) {
    std::mt19937 random(7);
    std::vector<std::vector<uint8_t>> inputs = SmallAdversarialInputs();
    for (int alphabet : {1, 2, 3, 4, 256}) {  // few symbols: many equal LMS substrings, deep recursion
        for (int n : {0, 1, 2, 3, 17, 300, 1000}) {
            std::vector<uint8_t> text(n);
            for (uint8_t& c : text) {
                c = static_cast<uint8_t>(random() % alphabet);
            }
            inputs.push_back(text);
        }
    }
    for (const auto& text : inputs) {
        std::vector<int32_t> expected(text.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
            return std::lexicographical_compare(text.begin() + a, text.end(), text.begin() + b, text.end());
        });
        std::vector<int32_t> sorted(text.size());
        SortSuffixes(text.data(), sorted.data(), static_cast<int32_t>(text.size()));
        ASSERT_EQ(sorted, expected) << "size " << text.size();
    }
}

TEST(LongestMatchFinder, FindsTheLongestEarlierMatchInTheWindowAndInBlocksInsideIt) {
    LongestMatchFinder finder;
    for (const auto& data : SmallAdversarialInputs()) {
        const auto n = static_cast<uint32_t>(data.size());
        finder.Index(data.data(), n);
        // The window, its halves and quarters, found inside out as the encoder
        // does, and an arbitrary block found directly from the window.
        ExpectLongestEarlierMatches(data, 0, n, finder.Find(0, n));
        for (uint32_t half : {0u, 1u}) {
            uint32_t begin = half * (n / 2);
            uint32_t end = half == 0 ? n / 2 : n;
            ExpectLongestEarlierMatches(data, begin, end, finder.Find(begin, end, 1));
            uint32_t middle = begin + (end - begin) / 2;
            ExpectLongestEarlierMatches(data, middle, end, finder.Find(middle, end, 2));
        }
        ExpectLongestEarlierMatches(data, n / 3, n - n / 5, finder.Find(n / 3, n - n / 5));
    }
}

// The parse of the whole and of every prefix (as a block of its own: the
// encoder takes a left half's tokens from it) costs what the cheapest parse
// found by brute force costs, and its tokens cover the bytes at that cost; so
// it also never takes a match dearer than its literals.
TEST(OptimalParser, CostsWhatTryingEveryLengthEverywhereCosts) {
    std::vector<Token> tokens;
    for (const auto& data : SmallAdversarialInputs()) {
        const auto n = static_cast<uint32_t>(data.size());
        const ParsedPrefixes& parsed = ParseWhole(data);
        EXPECT_EQ(OptimalSequenceSize(data.data(), n),
                  data.empty() ? 0 : kBlockHeaderSize + std::min<uint64_t>((parsed.Bits(n) + 7) / 8, n));
        for (uint32_t end : {n / 3, n / 2, n - n / 5, n}) {
            std::vector<uint8_t> prefix(data.begin(), data.begin() + end);
            EXPECT_EQ(parsed.Bits(end), BruteForceCheapestBits(prefix)) << end << " of " << n;
            parsed.Tokens(end, tokens);
            const TokenCost cost = CostOf(tokens);
            EXPECT_EQ(cost.bits, parsed.Bits(end)) << end << " of " << n;
            EXPECT_EQ(cost.covered, end) << end << " of " << n;
        }
    }
}

// "abababab": two literals (9 bits each), then one match of length 6 from
// offset 0 (flag 1, length code 11 0 01 for 5..8 with value 1, one offset bit
// 0 since 2 bytes are produced): 25 bits, 4 bytes with padding, which beats
// the 8 plain bytes. Any other parse is longer, e.g. match 2 + match 4 takes
// 3 + 6 bits for the same six bytes.
TEST(BlockEncoder, HandWorkedBlocks) {
    std::vector<uint8_t> data = Periodic(8, "ab");
    std::vector<uint8_t> out;
    EncodeBlock(data.data(), 8, out, kExact);
    // 0 01100001 | 0 01100010 | 1 110 01 0 | 0000000 padding
    EXPECT_EQ(out, (std::vector<uint8_t>{0x08, 0x00, 0x04, 0x00, 0x30, 0x98, 0xB9, 0x00}));

    // 65,536 zeros: one literal and one match of 65,535 bytes from offset 0,
    // which takes no offset bits after one byte: 9 + 1 + 31 bits, 6 bytes.
    std::vector<uint8_t> zeros(kLargestBlock, 0);
    EXPECT_EQ(EncodeSequence(zeros.data(), zeros.size(), kExact).size(), kBlockHeaderSize + 6);
}

// Bytes stored plainly: the data and one block header per 65,536 bytes.
size_t PlainSize(size_t size) { return size + kBlockHeaderSize * ((size + kLargestBlock - 1) / kLargestBlock); }

// Every level decodes back to the data and stores no more than the bound:
// plainly stored blocks at worst, much less for runs, periods and text.
TEST(BlockEncoder, RoundTripsAdversarialDataAtEveryLevelWithinItsBound) {
    struct Case {
        std::string name;
        std::vector<uint8_t> data;
        size_t largest;
    };
    std::vector<Case> cases = {
        {"empty", {}, 0},
        {"one byte", {0x5A}, PlainSize(1)},
        {"run of 65,536", std::vector<uint8_t>(kLargestBlock, 0xFF), 40},
        {"run of 200,000", std::vector<uint8_t>(200000, 0), 200},
        {"period 2", Periodic(kLargestBlock, "\x01\x02"), 40},
        {"period 3", Periodic(kLargestBlock + 5, "xyz"), 80},
        {"text 300,000", test::CompressibleBytes(300000, 3), 150000},
        {"two letters 65,536", SmallAlphabet(kLargestBlock, 2, 8), PlainSize(kLargestBlock)},
    };
    for (size_t size : {2u, 1000u, 65536u, 65537u, 140000u}) {
        cases.push_back({"incompressible " + std::to_string(size), test::RandomBytes(size, size), PlainSize(size)});
    }
    for (uint32_t bits = 1; bits <= 15; ++bits) {
        for (uint32_t produced : {(1u << bits) - 1, 1u << bits, (1u << bits) + 1}) {
            std::vector<uint8_t> data = RepeatAfter(produced, bits);
            const size_t plain = PlainSize(data.size());
            cases.push_back({"repeat after " + std::to_string(produced), std::move(data), plain});
        }
    }
    for (const Case& c : cases) {
        for (const EncoderOptions& options : {kFast, kBest, kExactCut}) {
            std::vector<uint8_t> seq = EncodeSequence(c.data.data(), c.data.size(), options);
            EXPECT_EQ(Decode(seq, c.data.size()), c.data) << c.name;
            EXPECT_LE(seq.size(), c.largest) << c.name;
        }
    }
}

TEST(BlockEncoder, MatchesAtEveryOffsetWidthAreUsed) {
    std::vector<Token> tokens;
    for (uint32_t bits = 1; bits <= 15; ++bits) {
        for (uint32_t produced : {(1u << bits) - 1, 1u << bits, (1u << bits) + 1}) {
            std::vector<uint8_t> data = RepeatAfter(produced, bits);
            ParseWhole(data).Tokens(static_cast<uint32_t>(data.size()), tokens);
            // The repeated tail is one match of the prefix's first bytes.
            ASSERT_FALSE(tokens.empty());
            EXPECT_EQ(tokens.back().length, std::min<uint32_t>(produced, 40)) << produced;
            EXPECT_EQ(tokens.back().source, 0u) << produced;
        }
    }
}

// Splits a block sequence into its blocks' raw and stored sizes (0 stored: plain).
std::vector<std::pair<uint32_t, uint32_t>> BlockSizes(const std::vector<uint8_t>& seq) {
    std::vector<std::pair<uint32_t, uint32_t>> blocks;
    for (size_t at = 0; at < seq.size();) {
        BlockHeader h = ParseBlockHeader(seq.data() + at);
        blocks.emplace_back(h.rawSize, h.plain ? 0 : h.storedSize);
        at += kBlockHeaderSize + h.storedSize;
    }
    return blocks;
}

TEST(BlockEncoder, ASpanIsCutWhereSeparateBlocksStoreLess) {
    // Text then noise: the noise is stored plainly in a block of its own
    // instead of costing 9 bits a byte as literals.
    std::vector<uint8_t> span = test::CompressibleBytes(32768, 1);
    std::vector<uint8_t> noise = test::RandomBytes(32768, 2);
    span.insert(span.end(), noise.begin(), noise.end());
    std::vector<uint8_t> cut;
    EncodeSpan(span.data(), kLargestBlock, cut, kBest);
    auto blocks = BlockSizes(cut);
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(blocks.back(), std::make_pair(32768u, 0u));  // the noise, plain
    EXPECT_LT(cut.size(), OptimalSequenceSize(span.data(), span.size()));
    EXPECT_EQ(Decode(cut, span.size()), span);

    // Without cuts the same span is one block.
    std::vector<uint8_t> single;
    EncodeSpan(span.data(), kLargestBlock, single, kExact);
    EXPECT_EQ(BlockSizes(single).size(), 1u);
    EXPECT_EQ(single.size(), OptimalSequenceSize(span.data(), span.size()));
}

TEST(BlockEncoder, ExactParseIsNeverLargerThanFast) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 60; ++round) {
        // Pieces of text, runs, small alphabets and noise, glued together.
        std::vector<uint8_t> data;
        size_t target = 1 + rng() % 70000;
        while (data.size() < target) {
            size_t piece = 1 + rng() % 4000;
            uint32_t seed = rng();
            std::vector<uint8_t> part;
            switch (rng() % 4) {
            case 0: part = test::CompressibleBytes(piece, seed); break;
            case 1: part.assign(piece, static_cast<uint8_t>(seed)); break;
            case 2: part = SmallAlphabet(piece, 1 + seed % 5, seed); break;
            default: part = test::RandomBytes(piece, seed); break;
            }
            data.insert(data.end(), part.begin(), part.end());
        }
        data.resize(target);
        auto size = static_cast<uint32_t>(std::min<size_t>(data.size(), kLargestBlock));
        std::vector<uint8_t> fast;
        std::vector<uint8_t> exact;
        std::vector<uint8_t> cut;
        std::vector<uint8_t> best;
        EncodeBlock(data.data(), size, fast, kFast);
        EncodeBlock(data.data(), size, exact, kExact);
        EncodeSpan(data.data(), size, cut, kExactCut);
        EncodeSpan(data.data(), size, best, kBest);
        EXPECT_LE(exact.size(), fast.size()) << "round " << round << ", " << size << " bytes";
        EXPECT_LE(cut.size(), exact.size()) << "round " << round << ", " << size << " bytes";
        EXPECT_EQ(OptimalSequenceSize(data.data(), size), exact.size());
        std::vector<uint8_t> expected(data.begin(), data.begin() + size);
        for (const auto* seq : {&exact, &cut, &best}) {
            EXPECT_EQ(Decode(*seq, size), expected) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace voz
