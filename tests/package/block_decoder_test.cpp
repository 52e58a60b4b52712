#include "package/block_decoder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <optional>

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
    std::vector<uint8_t> out = {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8),
                                static_cast<uint8_t>(stored), static_cast<uint8_t>(stored >> 8)};
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

TEST(BlockDecoder, DecodesTheFirstTokensOfAShippedText) {
    // Two literal spaces, a two-byte match at offset 0, then the literal 0xB3.
    std::vector<uint8_t> payload = TokenWriter().Literal(0x20).Literal(0x20).Match(0, 0, 0, 1).Literal(0xB3).Bytes();
    ASSERT_GE(payload.size(), 3u);
    EXPECT_EQ(payload[0], 0x10);
    EXPECT_EQ(payload[1], 0x08);
    EXPECT_EQ(payload[2], 0x22);
    uint8_t out[5];
    CBlockDecoder decoder;
    ASSERT_EQ(decoder.DecodeBlock(out, 5, payload.data(), static_cast<uint32_t>(payload.size())), DecodeError::kNone);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 5), (std::vector<uint8_t>{0x20, 0x20, 0x20, 0x20, 0xB3}));
}

TEST(BlockDecoder, MatchLengthsAndOffsetWidths) {
    CBlockDecoder decoder;
    uint8_t out[16];
    // produced 1: a zero-bit offset copies from position 0.
    auto p = TokenWriter().Literal('a').Match(0, 0, 0, 0).Bytes();
    ASSERT_EQ(decoder.DecodeBlock(out, 3, p.data(), static_cast<uint32_t>(p.size())), DecodeError::kNone);
    EXPECT_EQ(std::string(out, out + 3), "aaa");
    // k = 1 gives lengths 3 and 4; produced 3 needs a 2-bit offset.
    p = TokenWriter().Literal('a').Literal('b').Literal('c').Match(1, 1, 1, 2).Bytes();
    ASSERT_EQ(decoder.DecodeBlock(out, 7, p.data(), static_cast<uint32_t>(p.size())), DecodeError::kNone);
    EXPECT_EQ(std::string(out, out + 7), "abcbcbc");
    // k = 2 gives 5..8; an overlapping copy repeats the pattern byte by byte.
    p = TokenWriter().Literal('x').Literal('y').Match(2, 3, 0, 1).Bytes();
    ASSERT_EQ(decoder.DecodeBlock(out, 10, p.data(), static_cast<uint32_t>(p.size())), DecodeError::kNone);
    EXPECT_EQ(std::string(out, out + 10), "xyxyxyxyxy");
    // Overlap with distances of 3 and 9 through the chunked copy paths.
    p = TokenWriter().Literal('1').Literal('2').Literal('3').Match(3, 4, 0, 2).Bytes();  // length 13
    ASSERT_EQ(decoder.DecodeBlock(out, 16, p.data(), static_cast<uint32_t>(p.size())), DecodeError::kNone);
    EXPECT_EQ(std::string(out, out + 16), "1231231231231231");
}

TEST(BlockDecoder, LongestMatchFillsAWholeBlock) {
    // One literal and a k = 15 match of 2^15 + 32766 + 1 = 65,535 bytes: 65,536 in all.
    auto p = TokenWriter().Literal('z').Match(15, 32766, 0, 0).Bytes();
    std::vector<uint8_t> out(kLargestBlock);
    CBlockDecoder decoder;
    ASSERT_EQ(decoder.DecodeBlock(out.data(), kLargestBlock, p.data(), static_cast<uint32_t>(p.size())),
              DecodeError::kNone);
    EXPECT_EQ(std::count(out.begin(), out.end(), 'z'), 65536);
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
            ASSERT_EQ(decoder.DecodeBlock(block.data(), kLargestBlock, payload.data(),
                                          static_cast<uint32_t>(payload.size())),
                      DecodeError::kNone)
                << distance << ", " << length;
            EXPECT_EQ(block, ReferenceDecode(payload, kLargestBlock)) << distance << ", " << length;
        }
    }
}

TEST(BlockDecoder, RejectsDamagedBlocks) {
    CBlockDecoder decoder;
    uint8_t out[64];
    auto decode = [&](const std::vector<uint8_t>& p, uint32_t n) {
        return decoder.DecodeBlock(out, n, p.data(), static_cast<uint32_t>(p.size()));
    };
    EXPECT_EQ(decode(TokenWriter().Match(0, 0, 0, 0).Bytes(), 2), DecodeError::kMatchFirst);
    // produced 3: offsets 0..2 are valid, 3 is not.
    EXPECT_EQ(decode(TokenWriter().Literal(1).Literal(2).Literal(3).Match(0, 0, 3, 2).Bytes(), 5),
              DecodeError::kOffsetBeyondOutput);
    // A length-4 match when only 3 bytes of the block remain.
    EXPECT_EQ(decode(TokenWriter().Literal(1).Match(1, 1, 0, 0).Bytes(), 4), DecodeError::kMatchPastEnd);
    // Sixteen and thirty-three prefix ones describe no match that fits a block.
    EXPECT_EQ(decode(TokenWriter().Literal(1).Bits(1, 1).Bits(0xFFFF, 16).Bits(0, 8).Bytes(), 64),
              DecodeError::kMatchPastEnd);
    EXPECT_EQ(decode(TokenWriter().Literal(1).Bits(0xFFFFFFFF, 32).Bits(3, 2).Bytes(), 64),
              DecodeError::kMatchPastEnd);
    // The payload runs out: 3 literals' worth of bits for a 4-byte block.
    auto shortPayload = TokenWriter().Literal(1).Literal(2).Literal(3).Bytes();
    EXPECT_EQ(decode(shortPayload, 4), DecodeError::kInputExhausted);
    EXPECT_EQ(decoder.DecodeBlock(out, kLargestBlock + 1, shortPayload.data(), 4), DecodeError::kRawSizeTooLarge);
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

TEST(BlockSequence, PlainAndCompressedBlocksMix) {
    auto compressed = TokenWriter().Literal('q').Match(2, 3, 0, 0).Bytes();  // 9 bytes of 'q'
    std::vector<uint8_t> seq = Frame(3, 3, {'a', 'b', 'c'});
    auto c = Frame(9, static_cast<uint32_t>(compressed.size()), compressed);
    seq.insert(seq.end(), c.begin(), c.end());
    // A plain block whose bytes would also be a valid bit stream is still copied plainly.
    auto p = Frame(2, 2, {0x00, 0x00});
    seq.insert(seq.end(), p.begin(), p.end());
    std::vector<uint8_t> dest(64);
    CBlockDecoder decoder;
    DecodeResult r = decoder.DecodeSequence(dest.data(), 64, seq.data(), static_cast<uint32_t>(seq.size()));
    ASSERT_TRUE(r.ok()) << DescribeDecodeError(r.error);
    EXPECT_EQ(r.produced, 14u);
    EXPECT_EQ(std::string(dest.begin(), dest.begin() + 14), std::string("abcqqqqqqqqq\0\0", 14));
}

TEST(BlockSequence, FullSizeBlocksUseRawSizeZero) {
    std::vector<uint8_t> raw = test::RandomBytes(kLargestBlock, 1);
    std::vector<uint8_t> seq = Frame(0, 0, raw);  // plain: accounts for 65,540 bytes
    ASSERT_EQ(seq.size(), 65540u);
    auto compressed = TokenWriter().Literal('r').Match(15, 32766, 0, 0).Bytes();
    auto c = Frame(0, static_cast<uint32_t>(compressed.size()), compressed);
    seq.insert(seq.end(), c.begin(), c.end());
    std::vector<uint8_t> dest(2 * kLargestBlock);
    CBlockDecoder decoder;
    DecodeResult r = decoder.DecodeSequence(dest.data(), 2 * kLargestBlock, seq.data(),
                                            static_cast<uint32_t>(seq.size()));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.produced, 2u * kLargestBlock);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), dest.begin()));
    EXPECT_EQ(dest.back(), 'r');
}

TEST(BlockSequence, CapacityIsCheckedBeforeEachBlock) {
    std::vector<uint8_t> seq = Frame(4, 4, {'a', 'b', 'c', 'd'});
    auto second = Frame(4, 4, {'e', 'f', 'g', 'h'});
    seq.insert(seq.end(), second.begin(), second.end());
    std::vector<uint8_t> dest(8, '.');
    CBlockDecoder decoder;
    DecodeResult r = decoder.DecodeSequence(dest.data(), 6, seq.data(), static_cast<uint32_t>(seq.size()));
    EXPECT_EQ(r.error, DecodeError::kCapacityExceeded);
    EXPECT_EQ(std::string(dest.begin(), dest.end()), "abcd....");
}

TEST(BlockSequence, RejectsBrokenFraming) {
    CBlockDecoder decoder;
    std::vector<uint8_t> dest(1024);
    auto decode = [&](const std::vector<uint8_t>& seq) {
        return decoder.DecodeSequence(dest.data(), 1024, seq.data(), static_cast<uint32_t>(seq.size())).error;
    };
    EXPECT_EQ(decode(Frame(5, 0, {})), DecodeError::kEmptyStoredBlock);
    EXPECT_EQ(decode({0x03, 0x00}), DecodeError::kSequenceTruncated);
    EXPECT_EQ(decode(Frame(4, 4, {'a', 'b'})), DecodeError::kSequenceTruncated);
    EXPECT_EQ(decode(Frame(9, 6, {1, 2, 3})), DecodeError::kSequenceTruncated);
    EXPECT_EQ(decode({}), DecodeError::kNone);
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
    EXPECT_EQ(decoder.DecodeToStream(cut, nullptr, static_cast<uint32_t>(seq.size())).error,
              DecodeError::kReadFailed);
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
    auto join = [](std::vector<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
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
        {"plain then compressed", join({Frame(2, 2, {'a', 'b'}), Frame(9, 3, {1, 2, 3})}), 13,
         {{2, 2, true, 4}, {9, 3, false, 10}}, DecodeError::kNone},
        {"raw size 0 is 65,536", join({full, Frame(0, 5, {1, 2, 3, 4, 5})}), 65549,
         {{kLargestBlock, kLargestBlock, true, 4}, {kLargestBlock, 5, false, 65544}}, DecodeError::kNone},
        {"the length ends the sequence, not the bytes", join({Frame(1, 1, {'a'}), Frame(1, 1, {'b'})}), 5,
         {{1, 1, true, 4}}, DecodeError::kNone},
        {"header cut by the length", join({Frame(1, 1, {'a'}), Frame(1, 1, {'b'})}), 8, {{1, 1, true, 4}},
         DecodeError::kSequenceTruncated},
        {"no stored bytes", join({Frame(1, 1, {'a'}), Frame(5, 0, {})}), 9, {{1, 1, true, 4}},
         DecodeError::kEmptyStoredBlock},
        {"payload past the length", Frame(9, 6, {1, 2, 3, 4, 5, 6}), 9, {}, DecodeError::kSequenceTruncated},
    };
    for (const Case& c : cases) {
        MemoryInput input(c.bytes.data(), c.bytes.size());
        BlockFrames inMemory(c.bytes.data(), c.length);
        BlockFrames fromStream(input, c.length);
        BlockFrame m;
        BlockFrame s;
        for (const Expected& e : c.frames) {
            ASSERT_TRUE(inMemory.Next(m) && fromStream.Next(s)) << c.name;
            EXPECT_EQ(m.header.rawSize, e.rawSize) << c.name;
            EXPECT_EQ(m.header.storedSize, e.storedSize) << c.name;
            EXPECT_EQ(m.header.plain, e.plain) << c.name;
            EXPECT_EQ(m.payload, c.bytes.data() + e.payloadAt) << c.name;
            EXPECT_TRUE(s.header.rawSize == e.rawSize && s.header.storedSize == e.storedSize &&
                        s.header.plain == e.plain)
                << c.name;
            EXPECT_EQ(s.payload, nullptr) << c.name;
            // The stream stands at the payload; the caller moves past it.
            EXPECT_EQ(input.Tell(), e.payloadAt) << c.name;
            ASSERT_TRUE(input.Seek(e.payloadAt + e.storedSize));
        }
        for (int again = 0; again < 2; ++again) {  // a fault or the end stays where it is
            EXPECT_FALSE(inMemory.Next(m)) << c.name;
            EXPECT_FALSE(fromStream.Next(s)) << c.name;
        }
        EXPECT_EQ(inMemory.error(), c.error) << c.name;
        EXPECT_EQ(fromStream.error(), c.error) << c.name;
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
