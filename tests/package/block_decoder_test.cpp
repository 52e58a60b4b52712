#include "package/block_decoder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <optional>
#include <tuple>

#include "package/package_format.h"
#include "packer/block_encoder.h"
#include "test_support.h"

namespace voz {
namespace {

// Builds compressed payloads token by token, independently of the encoder.
class TokenWriter {
public:
    TokenWriter& Bits(uint32_t value, uint32_t count) {
        for (uint32_t i = count; i > 0; --i) {
            m_bits.push_back((value >> (i - 1)) & 1);
        }
        return *this;
    }
    TokenWriter& Literal(uint8_t byte) { return Bits(0, 1).Bits(byte, 8); }
    // A match with k prefix ones, value v and an offset of `width` bits.
    TokenWriter& Match(uint32_t k, uint32_t v, uint32_t offset, uint32_t width) {
        Bits(1, 1);
        for (uint32_t i = 0; i < k; ++i) {
            Bits(1, 1);
        }
        Bits(0, 1).Bits(v, k);
        return Bits(offset, width);
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out((m_bits.size() + 7) / 8);
        for (size_t i = 0; i < m_bits.size(); ++i) {
            out[i / 8] |= static_cast<uint8_t>(m_bits[i] << (7 - i % 8));
        }
        return out;
    }

private:
    std::vector<int> m_bits;
};

std::vector<uint8_t> Frame(uint32_t raw, uint32_t stored, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out = {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(stored),
                                static_cast<uint8_t>(stored >> 8)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// A direct, bit-at-a-time reading of the block format, used to cross-check the
// buffered decoder on arbitrary payloads.
std::optional<std::vector<uint8_t>> ReferenceDecode(const std::vector<uint8_t>& in, uint32_t n) {
    size_t bit = 0;
    auto take = [&](uint32_t count) -> std::optional<uint32_t> {
        uint32_t v = 0;
        for (uint32_t i = 0; i < count; ++i, ++bit) {
            if (bit / 8 >= in.size()) {
                return std::nullopt;
            }
            v = (v << 1) | ((in[bit / 8] >> (7 - bit % 8)) & 1);
        }
        return v;
    };
    std::vector<uint8_t> out;
    while (out.size() < n) {
        auto flag = take(1);
        if (!flag) return std::nullopt;
        if (*flag == 0) {
            auto lit = take(8);
            if (!lit) return std::nullopt;
            out.push_back(static_cast<uint8_t>(*lit));
            continue;
        }
        uint32_t k = 0;
        for (;;) {
            auto b = take(1);
            if (!b) return std::nullopt;
            if (*b == 0) break;
            if (++k > 32) return std::nullopt;
        }
        uint64_t length = 2;
        if (k > 0) {
            if (k > 31) return std::nullopt;
            auto v = take(k);
            if (!v) return std::nullopt;
            length = (uint64_t{1} << k) + *v + 1;
        }
        uint32_t produced = static_cast<uint32_t>(out.size());
        if (produced == 0) return std::nullopt;
        uint32_t width = 0;
        while ((uint64_t{1} << width) < produced) ++width;
        auto off = take(width);
        if (!off || *off >= produced || length > n - produced) return std::nullopt;
        for (uint64_t j = 0; j < length; ++j) {
            out.push_back(out[*off + j]);
        }
    }
    return out;
}

// Each case: a payload, the block size asked for, and the error or the bytes it decodes to.
TEST(BlockDecoder, DecodesEachKindOfTokenAndRejectsDamagedBlocks) {
    struct Case {
        const char* what;
        std::vector<uint8_t> payload;
        uint32_t rawSize;
        DecodeError error;
        std::string decoded = "";  // when the block decodes
    };
    const Case cases[] = {
        {"two literal spaces, a two-byte match at offset 0, the literal 0xB3",
         TokenWriter().Literal(0x20).Literal(0x20).Match(0, 0, 0, 1).Literal(0xB3).Bytes(), 5, DecodeError::kNone,
         "    \xB3"},
        {"produced 1: a zero-bit offset copies from position 0", TokenWriter().Literal('a').Match(0, 0, 0, 0).Bytes(),
         3, DecodeError::kNone, "aaa"},
        {"k = 1 gives lengths 3 and 4; produced 3 needs a 2-bit offset",
         TokenWriter().Literal('a').Literal('b').Literal('c').Match(1, 1, 1, 2).Bytes(), 7, DecodeError::kNone,
         "abcbcbc"},
        {"k = 2 gives 5..8; an overlapping copy repeats the pattern byte by byte",
         TokenWriter().Literal('x').Literal('y').Match(2, 3, 0, 1).Bytes(), 10, DecodeError::kNone, "xyxyxyxyxy"},
        {"a 13-byte overlap at distance 3 through the chunked copy paths",
         TokenWriter().Literal('1').Literal('2').Literal('3').Match(3, 4, 0, 2).Bytes(), 16, DecodeError::kNone,
         "1231231231231231"},
        {"the longest match, k = 15 and 2^15 + 32766 + 1 bytes, fills a whole block",
         TokenWriter().Literal('z').Match(15, 32766, 0, 0).Bytes(), kLargestBlock, DecodeError::kNone,
         std::string(kLargestBlock, 'z')},
        {"a match first", TokenWriter().Match(0, 0, 0, 0).Bytes(), 2, DecodeError::kMatchFirst},
        {"produced 3: offsets 0..2 are valid, 3 is not",
         TokenWriter().Literal(1).Literal(2).Literal(3).Match(0, 0, 3, 2).Bytes(), 5, DecodeError::kOffsetBeyondOutput},
        {"a length-4 match when only 3 bytes of the block remain", TokenWriter().Literal(1).Match(1, 1, 0, 0).Bytes(),
         4, DecodeError::kMatchPastEnd},
        {"sixteen prefix ones describe no match that fits a block",
         TokenWriter().Literal(1).Bits(1, 1).Bits(0xFFFF, 16).Bits(0, 8).Bytes(), 64, DecodeError::kMatchPastEnd},
        {"nor do thirty-three", TokenWriter().Literal(1).Bits(0xFFFFFFFF, 32).Bits(3, 2).Bytes(), 64,
         DecodeError::kMatchPastEnd},
        {"the payload runs out: 3 literals' worth of bits for a 4-byte block",
         TokenWriter().Literal(1).Literal(2).Literal(3).Bytes(), 4, DecodeError::kInputExhausted},
        {"a raw size beyond the largest block", TokenWriter().Literal(1).Bytes(), kLargestBlock + 1,
         DecodeError::kRawSizeTooLarge},
    };
    CBlockDecoder decoder;
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.rawSize);
        EXPECT_EQ(decoder.DecodeBlock(out.data(), c.rawSize, c.payload.data(), static_cast<uint32_t>(c.payload.size())),
                  c.error)
            << c.what;
        if (c.error == DecodeError::kNone) {
            EXPECT_EQ(std::string(out.begin(), out.end()), c.decoded) << c.what;
        }
    }
}

// A match of `length` bytes from `offset` after `produced` bytes.
TokenWriter& MatchOf(TokenWriter& w, uint32_t length, uint32_t offset, uint32_t produced) {
    uint32_t k = length == 2 ? 0 : static_cast<uint32_t>(std::bit_width(length - 1) - 1);
    uint32_t width = static_cast<uint32_t>(std::bit_width(produced - 1));
    return w.Match(k, k == 0 ? 0 : length - (1u << k) - 1, offset, width);
}

TEST(BlockDecoder, OverlappingCopiesAtEveryShortDistanceAndAtTheEndOfTheLargestBlock) {
    CBlockDecoder decoder;
    for (uint32_t distance = 1; distance <= 33; ++distance) {
        for (uint32_t length = 2; length <= 40; ++length) {
            // Distinct bytes, then the match that repeats them: the block ends with the match.
            TokenWriter w;
            for (uint32_t i = 0; i < distance; ++i) {
                w.Literal(static_cast<uint8_t>('A' + i));
            }
            auto payload = MatchOf(w, length, 0, distance).Bytes();
            uint32_t n = distance + length;
            std::vector<uint8_t> out(n);  // exact size: a write past the block is caught
            ASSERT_EQ(decoder.DecodeBlock(out.data(), n, payload.data(), static_cast<uint32_t>(payload.size())),
                      DecodeError::kNone)
                << distance << ", " << length;
            EXPECT_EQ(out, ReferenceDecode(payload, n)) << distance << ", " << length;

            // The same copy as the last bytes of a 65,536-byte block, where the
            // wide copies run into the window's slack.
            TokenWriter tail;
            uint32_t start = kLargestBlock - length - distance;
            tail.Literal('z');
            MatchOf(tail, start - 1, 0, 1);
            for (uint32_t i = 0; i < distance; ++i) {
                tail.Literal(static_cast<uint8_t>('a' + i));
            }
            payload = MatchOf(tail, length, start, start + distance).Bytes();
            std::vector<uint8_t> block(kLargestBlock);
            ASSERT_EQ(
                decoder.DecodeBlock(block.data(), kLargestBlock, payload.data(), static_cast<uint32_t>(payload.size())),
                DecodeError::kNone)
                << distance << ", " << length;
            EXPECT_EQ(block, ReferenceDecode(payload, kLargestBlock)) << distance << ", " << length;
        }
    }
}

TEST(BlockDecoder, StopsAtTheEndOfTheStoredBytesWithoutReadingPastThem) {
    // The payload lives at the very end of a heap block, so ASan catches any over-read.
    auto bits = TokenWriter().Literal(7).Literal(8).Bytes();
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bits.size()]);
    std::memcpy(exact.get(), bits.data(), bits.size());
    uint8_t out[100];
    CBlockDecoder decoder;
    EXPECT_EQ(decoder.DecodeBlock(out, 100, exact.get(), static_cast<uint32_t>(bits.size())),
              DecodeError::kInputExhausted);
    EXPECT_EQ(decoder.DecodeBlock(out, 2, exact.get(), static_cast<uint32_t>(bits.size())), DecodeError::kNone);
}

TEST(BlockDecoder, AgreesWithABitByBitReadingOnArbitraryPayloads) {
    CBlockDecoder decoder;
    std::vector<uint8_t> out(kLargestBlock);
    int decodedOk = 0;
    for (uint32_t seed = 0; seed < 3000; ++seed) {
        std::mt19937 rng(seed);
        // Mostly-literal streams decode further, so bias the flag bits towards 0.
        TokenWriter w;
        uint32_t tokens = 1 + rng() % 60;
        for (uint32_t t = 0; t < tokens; ++t) {
            if (t == 0 || rng() % 3 != 0) {
                w.Literal(static_cast<uint8_t>(rng()));
            } else {
                w.Bits(rng(), 1 + rng() % 24);
            }
        }
        auto payload = w.Bytes();
        uint32_t n = 1 + rng() % 200;
        auto expected = ReferenceDecode(payload, n);
        DecodeError error = decoder.DecodeBlock(out.data(), n, payload.data(), static_cast<uint32_t>(payload.size()));
        ASSERT_EQ(expected.has_value(), error == DecodeError::kNone) << "seed " << seed;
        if (expected) {
            ++decodedOk;
            ASSERT_EQ(*expected, std::vector<uint8_t>(out.begin(), out.begin() + n)) << "seed " << seed;
        }
    }
    EXPECT_GT(decodedOk, 100);
}

std::vector<uint8_t> Joined(const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Each case: a sequence, the capacity given, and the error and the bytes decoded;
// the buffer runs on two bytes beyond the capacity, which must stay untouched.
TEST(BlockSequence, DecodesPlainAndCompressedBlocksWithinTheCapacity) {
    const std::vector<uint8_t> nineQ = TokenWriter().Literal('q').Match(2, 3, 0, 0).Bytes();
    const std::vector<uint8_t> fullR = TokenWriter().Literal('r').Match(15, 32766, 0, 0).Bytes();
    const std::vector<uint8_t> random = test::RandomBytes(kLargestBlock, 1);
    struct Case {
        const char* what;
        std::vector<uint8_t> sequence;
        uint32_t capacity;
        DecodeError error;
        std::string decoded;
    };
    const Case cases[] = {
        // A plain block whose bytes would also be a valid bit stream is still copied plainly.
        {"plain and compressed blocks mix",
         Joined({Frame(3, 3, {'a', 'b', 'c'}), Frame(9, static_cast<uint32_t>(nineQ.size()), nineQ),
                 Frame(2, 2, {0x00, 0x00})}),
         64, DecodeError::kNone, std::string("abcqqqqqqqqq\0\0", 14)},
        {"full-size blocks, plain and compressed, have raw size 0",
         Joined({Frame(0, 0, random), Frame(0, static_cast<uint32_t>(fullR.size()), fullR)}), 2 * kLargestBlock,
         DecodeError::kNone, std::string(random.begin(), random.end()) + std::string(kLargestBlock, 'r')},
        {"the capacity is checked before each block",
         Joined({Frame(4, 4, {'a', 'b', 'c', 'd'}), Frame(4, 4, {'e', 'f', 'g', 'h'})}), 6,
         DecodeError::kCapacityExceeded, "abcd"},
    };
    CBlockDecoder decoder;
    for (const Case& c : cases) {
        std::vector<uint8_t> dest(c.capacity + 2, '.');
        DecodeResult r = decoder.DecodeSequence(dest.data(), c.capacity, c.sequence.data(),
                                                static_cast<uint32_t>(c.sequence.size()));
        EXPECT_EQ(r.error, c.error) << c.what;
        EXPECT_EQ(r.produced, c.decoded.size()) << c.what;
        EXPECT_EQ(std::string(dest.begin(), dest.end()), c.decoded + std::string(dest.size() - c.decoded.size(), '.'))
            << c.what;
    }
}

TEST(BlockSequence, StreamDecodingMatchesMemoryDecoding) {
    std::vector<uint8_t> data = test::CompressibleBytes(200000, 7);
    std::vector<uint8_t> seq = EncodeSequence(data.data(), data.size());
    MemoryInput input(seq.data(), seq.size());
    MemoryOutput output;
    CBlockDecoder decoder;
    DecodeResult r = decoder.DecodeToStream(input, &output, static_cast<uint32_t>(seq.size()));
    ASSERT_TRUE(r.ok()) << DescribeDecodeError(r.error);
    EXPECT_EQ(r.produced, data.size());
    EXPECT_EQ(output.Bytes(), data);
    EXPECT_EQ(input.Tell(), seq.size());

    // Without an output the blocks are still read and checked.
    MemoryInput again(seq.data(), seq.size());
    EXPECT_TRUE(decoder.DecodeToStream(again, nullptr, static_cast<uint32_t>(seq.size())).ok());

    // A stream that ends early, and a length that cuts a block, are both errors.
    MemoryInput cut(seq.data(), seq.size() - 10);
    EXPECT_EQ(decoder.DecodeToStream(cut, nullptr, static_cast<uint32_t>(seq.size())).error, DecodeError::kReadFailed);
    MemoryInput whole(seq.data(), seq.size());
    EXPECT_EQ(decoder.DecodeToStream(whole, nullptr, static_cast<uint32_t>(seq.size() - 10)).error,
              DecodeError::kSequenceTruncated);
}

// Each case's frames as (raw size, stored size, plain, payload offset), then the error.
TEST(BlockFrames, YieldsEachBlockWithinTheSequenceFromMemoryAndFromAStream) {
    struct Expected {
        uint32_t rawSize;
        uint32_t storedSize;
        bool plain;
        size_t payloadAt;
    };
    const std::vector<uint8_t> full = Frame(0, 0, std::vector<uint8_t>(kLargestBlock, 'x'));
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t length;  // of the sequence; the bytes may run on beyond it
        std::vector<Expected> frames;
        DecodeError error;
    } cases[] = {
        {"empty", {}, 0, {}, DecodeError::kNone},
        {"plain then compressed",
         Joined({Frame(2, 2, {'a', 'b'}), Frame(9, 3, {1, 2, 3})}),
         13,
         {{2, 2, true, 4}, {9, 3, false, 10}},
         DecodeError::kNone},
        {"raw size 0 is 65,536",
         Joined({full, Frame(0, 5, {1, 2, 3, 4, 5})}),
         65549,
         {{kLargestBlock, kLargestBlock, true, 4}, {kLargestBlock, 5, false, 65544}},
         DecodeError::kNone},
        {"the length ends the sequence, not the bytes",
         Joined({Frame(1, 1, {'a'}), Frame(1, 1, {'b'})}),
         5,
         {{1, 1, true, 4}},
         DecodeError::kNone},
        {"header cut by the length",
         Joined({Frame(1, 1, {'a'}), Frame(1, 1, {'b'})}),
         8,
         {{1, 1, true, 4}},
         DecodeError::kSequenceTruncated},
        {"no stored bytes",
         Joined({Frame(1, 1, {'a'}), Frame(5, 0, {})}),
         9,
         {{1, 1, true, 4}},
         DecodeError::kEmptyStoredBlock},
        {"payload past the length", Frame(9, 6, {1, 2, 3, 4, 5, 6}), 9, {}, DecodeError::kSequenceTruncated},
    };
    auto fields = [](const BlockHeader& h) { return std::tuple(h.rawSize, h.storedSize, h.plain); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryInput input(c.bytes.data(), c.bytes.size());
        BlockFrames inMemory(c.bytes.data(), c.length);
        BlockFrames fromStream(input, c.length);
        BlockFrame m;
        BlockFrame s;
        for (const Expected& e : c.frames) {
            ASSERT_TRUE(inMemory.Next(m) && fromStream.Next(s));
            EXPECT_EQ(fields(m.header), std::tuple(e.rawSize, e.storedSize, e.plain));
            EXPECT_EQ(fields(s.header), fields(m.header));
            EXPECT_EQ(m.payload, c.bytes.data() + e.payloadAt);
            EXPECT_EQ(s.payload, nullptr);
            // The stream stands at the payload; the caller moves past it.
            EXPECT_EQ(input.Tell(), e.payloadAt);
            ASSERT_TRUE(input.Seek(e.payloadAt + e.storedSize));
        }
        for (int again = 0; again < 2; ++again) {  // a fault or the end stays where it is
            EXPECT_FALSE(inMemory.Next(m));
            EXPECT_FALSE(fromStream.Next(s));
        }
        EXPECT_EQ(inMemory.error(), c.error);
        EXPECT_EQ(fromStream.error(), c.error);
    }
}

TEST(BlockFrames, AStreamEndingBeforeAHeaderIsAReadFailure) {
    const std::vector<uint8_t> bytes = Frame(1, 1, {'a'});
    MemoryInput input(bytes.data(), 3);
    BlockFrames frames(input, 5);
    BlockFrame frame;
    EXPECT_FALSE(frames.Next(frame));
    EXPECT_EQ(frames.error(), DecodeError::kReadFailed);
}

}  // namespace
}  // namespace voz
